#!/usr/bin/env bash
# Leaving the wizard: Escape does nothing on any page; Cancel asks whether to exit, No keeps the
# wizard on the page it was on and Yes ends the program; the close box asks the same question.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The exit question must not come within this long of a key press.
QUIET_MS=1500

escape_does_nothing() {
  local page=$1
  drv key "$SHEET" ESCAPE >/dev/null || fail "Escape could not be sent"
  if drv answer "$EXIT_QUESTION" No "$QUIET_MS" >/dev/null; then
    fail "Escape on page $page asked to exit"
  fi
  expect_page "$page" 3
}

make_install_folder "$E2E_WORK/set" catalogue-selection.xml

note "Escape, then Cancel"
start_corvatel "/INSTALL:$(winpath "$E2E_WORK/set")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
escape_does_nothing 0
tick_application "Quendar Studio Suite"
next_page 1 3
escape_does_nothing 1
agree_to_licence
next_page 2 3
escape_does_nothing 2

drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed"
expect_eq "question after Cancel" "$(drv answer "$EXIT_QUESTION" No)" "$EXIT_QUESTION"
# Nothing else may follow the answer: no second question, no page change, no exit.
if drv answer "$EXIT_QUESTION" No "$QUIET_MS" >/dev/null; then
  fail "No to the exit question asked again"
fi
corvatel_running || fail "No to the exit question ended the program"
expect_page 2 3
cancel_wizard

note "the close box"
start_corvatel "/INSTALL:$(winpath "$E2E_WORK/set")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
drv close "$SHEET" >/dev/null || fail "the close box cannot be clicked"
drv answer "$EXIT_QUESTION" No >/dev/null || fail "no exit question after the close box"
if drv answer "$EXIT_QUESTION" No "$QUIET_MS" >/dev/null; then
  fail "No to the close box's question asked again"
fi
corvatel_running || fail "No to the close box's question ended the program"
drv close "$SHEET" >/dev/null || fail "the close box cannot be clicked again"
drv answer "$EXIT_QUESTION" Yes >/dev/null || fail "no exit question after the second close"
expect_exit 15
note "passed"
