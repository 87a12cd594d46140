#!/usr/bin/env bash
# The notice that the catalogue needs a newer Corvatel: a catalogue asking for 4.0.12 shows it before
# the wizard, naming that version, and OK lets the wizard open; its link works only when the
# catalogue names a web address; one asking for 4.0.11 (this program's own version) opens the
# wizard straight away.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

NOTICE_TEXT=$'A newer version of Corvatel is needed to install some applications.\n\nPlease download and install Corvatel v4.0.12 or later.'

note "a catalogue that needs 4.0.12"
start_corvatel "$(winpath "$CORVATEL_FIXTURES/catalogue-newer-required.xml")"
expect_eq "notice caption" "$(drv wait "A newer version of Corvatel" 30000)" "Corvatel"
expect_eq "notice message (544)" "$(drv text "A newer version of Corvatel" 544)" "$NOTICE_TEXT"
expect_eq "notice link (2017)" "$(drv text "A newer version of Corvatel" 2017)" "<a>Quendar Corvatel Download Page</a>"
if drv wait "$SHEET" 0 >/dev/null; then
  fail "the wizard opened while the notice was up"
fi
expect_eq "the link works for a web address" "$(drv enabled "A newer version of Corvatel" 2017)" 1
drv click "A newer version of Corvatel" OK >/dev/null || fail "OK cannot be pressed on the notice"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open after the notice"
drv gone "A newer version of Corvatel" 0 || fail "the notice is still there with the wizard"
expect_page 0 4
cancel_wizard

note "a catalogue whose link names a program"
sed 's|<CorvatelDownloadURL>[^<]*<|<CorvatelDownloadURL>C:\\Windows\\System32\\cmd.exe<|' \
  "$CORVATEL_FIXTURES/catalogue-newer-required.xml" >"$E2E_WORK/catalogue-program-link.xml"
start_corvatel "$(winpath "$E2E_WORK/catalogue-program-link.xml")"
drv wait "A newer version of Corvatel" 30000 >/dev/null || fail "no notice for a catalogue whose link names a program"
expect_eq "the link does not work for a program" "$(drv enabled "A newer version of Corvatel" 2017)" 0
drv click "A newer version of Corvatel" OK >/dev/null || fail "OK cannot be pressed on the notice"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open after the notice"
cancel_wizard

note "a catalogue that needs 4.0.11"
start_corvatel "$(winpath "$CORVATEL_FIXTURES/catalogue-full.xml")"
# The notice would come first and hold the wizard back.
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open by itself"
drv gone "A newer version of Corvatel" 0 || fail "the notice came for a catalogue this version satisfies"
expect_page 0 4
cancel_wizard
note "passed"
