#!/usr/bin/env bash
# From a downloaded set ("INSTALL:"), where every component must be installed: a ticked
# application brings its components, and the install page lists the ones the user sees, sizes
# counting the hidden ones. The old log goes when the install page first opens.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

make_install_folder "$E2E_WORK/set" catalogue-selection.xml
printf 'a log of an earlier run\r\n' >"$E2E_WORK/set/Corvatel.log"
start_corvatel "/INSTALL:$(winpath "$E2E_WORK/set")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"

tick_application "Quendar Studio Suite"
expect_rows "$DOWNLOAD_LIST" "1|1|3|Quendar USB Driver|1.8.2|5.73M
1|1|3|Quendar Studio Suite|3.4.0|101.07M"
next_page 1 3
agree_to_licence
next_page 2 3

INSTALL_ROWS="0|0|0|Quendar USB Driver|1.8.2|5.73M||
0|0|0|Quendar Studio Suite|3.4.0|101.07M||"
expect_rows "$INSTALL_LIST" "$INSTALL_ROWS"
[[ ! -e $E2E_WORK/set/Corvatel.log ]] || fail "the old log is still there"
expect_eq "Back on the install page" "$(drv enabled "$SHEET" "< Back")" 1
expect_eq "Finish on the install page" "$(drv enabled "$SHEET" Finish)" 0

# Back and Next again: the list is filled anew, the same.
back_page 1 3
next_page 2 3
expect_rows "$INSTALL_LIST" "$INSTALL_ROWS"

cancel_wizard
note "passed"
