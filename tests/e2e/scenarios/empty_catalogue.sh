#!/usr/bin/env bash
# Both catalogue loads fail: a ".xml" argument naming a missing file fails silently, the retry on
# the maker's server (www.quendar.com, which the test run maps to a loopback address of its own
# where nothing listens on 443 unless a scenario serves the site) reports that it cannot connect,
# and the wizard then opens with an empty catalogue and all four pages, whose first refuses Next
# with nothing to download.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

CONNECT_ERROR=$'Error connecting to www.quendar.com\n\nPlease make sure that you are properly connected to the Internet and try running Corvatel again.'

start_corvatel "$(winpath "$E2E_WORK/missing.xml")"
expect_eq "error after both loads" "$(drv answer "Error connecting to" OK 45000)" "$CONNECT_ERROR"
# Any further box (a second error, the newer-program notice) would keep the wizard back.
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open after the error"
expect_page 0 4
expect_eq "version line (530)" "$(drv text "$SHEET" 530)" "$VERSION_LINE"
# Nothing to tick, so Next says so and the wizard stays.
drv click "$SHEET" "Next >" >/dev/null || fail "Next cannot be pressed"
expect_eq "Next with nothing ticked" "$(drv answer "must be selected" OK)" \
  "In order to continue, an application must be selected to download"
expect_page 0 4
cancel_wizard
note "passed"
