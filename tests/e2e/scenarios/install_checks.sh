#!/usr/bin/env bash
# The checks before an "Install" starts anything, one application at a time: a version that must
# be uninstalled first (with the catalogue's prompt), an uninstall that waits for Windows to
# restart, a pre-install message answered Cancel, and a program of the maker's still running
# (Retry asks again, Cancel stops). Each stops the run: no setup runs, and the user may go back.
# On Windows 6.0 the notice about driver installs comes once the checks before the log line pass.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SET=$E2E_WORK/set
SESSION_MANAGER='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager'

make_install_folder "$SET" catalogue-install.xml
make_setups "$SET" QuendarSoundDesigner_2.0.0.2000.exe QuendarMixer_1.1.0.1100.exe \
  QuendarRecorder_9.0.0.9000.exe QuendarDeviceManager_5.2.0.5120.exe
clean_installs_at_exit "Device Manager"
for product in "Sound Designer=1.5.0" "Recorder=8.2.0"; do
  wine reg add "$INSTALL_KEY\\${product%%=*}" /v Version /d "${product#*=}" /f </dev/null >/dev/null 2>&1 ||
    fail "cannot set the installed version of ${product%%=*}"
done
set_registry_value "$APP_DEFAULTS" Version REG_SZ vista
set_registry_value "$SESSION_MANAGER" PendingFileRenameOperations REG_MULTI_SZ \
  '\??\C:\Program Files\Quendar\Mixer\QMixerCore.dll\0\??\C:\Windows\Temp\QMixerCore.old'
# One of the maker's programs, running: a copy of the stand-in setup named like it, showing its box.
mkdir -p "$E2E_WORK/running"
cp "$CORVATEL_BIN/SilentSetup.exe" "$E2E_WORK/running/QDevMgr.exe"
(cd "$E2E_WORK/running" && exec wine QDevMgr.exe </dev/null >/dev/null 2>&1) &
on_exit "timeout 60 wine '$CORVATEL_BIN/UiDriver.exe' --process QDevMgr.exe kill </dev/null >/dev/null 2>&1 || true"

start_corvatel "/INSTALL:$(winpath "$SET")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
drv --process QDevMgr.exe wait "demonstration setup" 30000 >/dev/null || fail "the running program did not start"
agreed=0

# Ticks exactly these applications (the page starts with the installed ones ticked), goes to the
# install page and presses "Install".
try_install() {
  local name tick wanted
  wanted=$(printf '|%s' "$@")'|'
  while IFS='|' read -r tick _ _ name _; do
    [[ $tick == 1 && $wanted != *"|$name|"* || $tick == 0 && $wanted == *"|$name|"* ]] && tick_application "$name"
  done < <(rows "$APP_LIST")
  expect_rows "$APP_LIST" "$(rows "$APP_LIST" | awk -F'|' -v OFS='|' -v wanted="$wanted" '{ $1 = index(wanted, "|" $4 "|") > 0; print }')"
  next_page 1 3
  ((agreed)) || { agree_to_licence; agreed=1; }
  next_page 2 3
  drv click "$SHEET" 533 >/dev/null || fail "\"Install\" cannot be pressed for $*"
}
go_back() {
  back_page 1 3
  back_page 0 3
}

note "uninstall first, before any other check"
try_install "Quendar Sound Designer" "Quendar Recorder"
expect_eq "the uninstall notice" "$(drv answer "has been uninstalled" OK)" "Corvatel cannot continue until Quendar Sound Designer 1.5.0 has been uninstalled.

Please exit Corvatel and uninstall this applications before trying again.


*** MESSAGE ***

Use \"Add or Remove Programs\" to remove Sound Designer 1."
go_back

note "pre-install message"
try_install "Quendar Recorder"
drv answer "Recorder 9 reads no project of Recorder 8.  Click Cancel to keep Recorder 8." Cancel >/dev/null ||
  fail "no pre-install message with Cancel"
go_back

note "restart pending"
try_install "Quendar Mixer"
drv answer "Windows must be restarted before Corvatel can continue" OK >/dev/null || fail "no restart notice"
go_back

note "driver notice, then the running program"
try_install "Quendar Device Manager"
expect_eq "the driver notice" "$(drv answer "require a driver to be installed" OK)" "One or more Quendar components \
require a driver to be installed within Windows.  When installing, you may see a Windows Security message asking \
whether or not to install this driver.  In order for the Quendar component to install properly, you must choose \
the option: 'Install this driver software anyway'."
CLOSE_LIST="The following Quendar applications must be closed before Corvatel can continue:

	- Quendar Device Manager


Please close these applications and click 'Retry' to being downloading"
expect_eq "the running programs" "$(drv answer "must be closed before Corvatel can continue" Retry)" "$CLOSE_LIST"
expect_eq "the running programs again" "$(drv answer "must be closed before Corvatel can continue" Cancel)" "$CLOSE_LIST"
# The page is as it was: nothing runs, and the user may start again or go back.
expect_eq "Install after Cancel" "$(drv enabled "$SHEET" 533)" 1
expect_eq "Back after Cancel" "$(drv enabled "$SHEET" "< Back")" 1

expect_eq "setups that ran" "$(setup_runs "$SET")" ""
cancel_wizard
expect_log "$SET" "Begin Download and Install Files
Canceled"
note "passed"
