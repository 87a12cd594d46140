#!/usr/bin/env bash
# Cancel on the install page: before the installs it asks (No keeps the wizard, and the log says
# "Canceled"); while a slow setup runs (it goes on only once the scenario lets it) the wizard stays
# responsive, Cancel is refused with its notice, and the setup still ends "Installed.".
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SET=$E2E_WORK/set
UPDATER=QuendarFirmwareUpdater_1.0.4.104.exe
RUNNING="An install is currently in progress.  Please wait until the installation is complete before trying to exit Corvatel."

make_install_folder "$SET" catalogue-install.xml
make_setups "$SET" "$UPDATER"
RELEASE=$E2E_WORK/release
printf '[%s]\nReleaseFile=%s\n' "$UPDATER" "$(winpath "$RELEASE")" >"$SET/SilentSetup.ini"
clean_installs_at_exit "Firmware Updater"

start_corvatel "/INSTALL:$(winpath "$SET")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
tick_application "Quendar Firmware Updater"
next_page 1 3
agree_to_licence
next_page 2 3
drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed"
drv answer "$EXIT_QUESTION" No >/dev/null || fail "no exit question"

drv click "$SHEET" 533 >/dev/null || fail "\"Install\" cannot be pressed"
# While the setup runs the page answers and shows it; the row's image (7 at first) moves on through
# the install animation's frames (3 to 6) every second.
expect_rows_like "$INSTALL_LIST" '^0\|0\|[3-7]\|Quendar Firmware Updater\|1\.0\.4\|8\.09M\|Installing\.\.\.\|$' 30
drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed while the setup runs"
expect_eq "the notice" "$(drv answer "An install is currently in progress" OK)" "$RUNNING"
corvatel_running || fail "Cancel during the install ended the program"
touch "$RELEASE"
wait_for_finish 30
expect_rows "$INSTALL_LIST" "0|0|1|Quendar Firmware Updater|1.0.4|8.09M|Installed.|"
drv click "$SHEET" "$FINISH_BUTTON" >/dev/null || fail "Finish cannot be pressed"
expect_exit 15

set_path=$(program_path "$SET")
expect_log "$SET" "Canceled
Begin Download and Install Files
Preparing to install...:  Quendar Firmware Updater
Installing using Inno Setup: Quendar Firmware Updater
Install Command Line = \"$set_path\\$UPDATER\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Program Files\\Quendar\\Firmware Updater\" /LOG=\"$set_path\\InnoSetup.log\" 
Installing...:  Quendar Firmware Updater
Installed.:  Quendar Firmware Updater
Finished"
note "passed"
