#!/usr/bin/env bash
# Start-up from a downloaded set ("INSTALL:<folder>" holding CorvatelSFTP.xml): the local catalogue
# loads without a word, the wizard has three pages (no folder page) and every page shows the three
# status lines: program version, the WMI caption of Windows 6.1, and the user with admin mark and
# "UAC: N/A". The install page offers "Install" alone.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Windows 6.1 SP1 is what wine reports unless told otherwise; WMI names it so.
WINDOWS_LINE="Microsoft Windows 7 Professional Service Pack 1"
USER_LINE="Windows User Name: $(windows_user) (Admin).  UAC: N/A"

make_install_folder "$E2E_WORK/set" catalogue-selection.xml
start_corvatel "/INSTALL:$(winpath "$E2E_WORK/set")"

# A failed local load would retry on the maker's server and stop at an error box first.
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
expect_page 0 3
expect_header_lines "$WINDOWS_LINE" "$USER_LINE"
expect_eq "Back on the first page" "$(drv enabled "$SHEET" "< Back")" 0

# Next wants something to download.
tick_application "Quendar Studio Suite"
next_page 1 3
expect_header_lines "$WINDOWS_LINE" "$USER_LINE"

agree_to_licence
next_page 2 3
expect_header_lines "$WINDOWS_LINE" "$USER_LINE"
expect_eq "Next on the last page" "$(drv enabled "$SHEET" "Next >")" 0
# The setups lie in the folder: one "Install" button, and nothing about downloads.
expect_eq "the start button" "$(drv text "$SHEET" 533)" "Install"
expect_eq "download only shown" "$(drv visible "$SHEET" 537)" 0
expect_eq "remove downloads shown" "$(drv visible "$SHEET" 552)" 0

cancel_wizard
note "passed"
