#!/usr/bin/env bash
# Setups that fail, each in its own way, on the "INSTALL:" road: an Inno Setup log with exit code
# 4, a component result file with an error message (a setup that otherwise succeeded), and a
# product that needs a newer Corvatel. Every row is still visited; the failures are summed up in a
# box and in the log, and the log holds the program's own words for each.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SET=$E2E_WORK/set
MANAGER=QuendarDeviceManager_5.2.0.5120.exe
UPDATER=QuendarFirmwareUpdater_1.0.4.104.exe
LEGACY=QuendarLegacyTools_6.0.0.6000.exe

make_install_folder "$SET" catalogue-install.xml
make_setups "$SET" "$MANAGER" "$UPDATER" "$LEGACY"
cat >"$SET/SilentSetup.ini" <<INI
[$MANAGER]
ExitCode=4
[$UPDATER]
ErrorMessage=Boom
INI
clean_installs_at_exit "Device Manager" "Firmware Updater"

start_corvatel "/INSTALL:$(winpath "$SET")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
tick_application "Quendar Device Manager"
tick_application "Quendar Firmware Updater"
tick_application "Quendar Legacy Tools"
next_page 1 3
agree_to_licence
next_page 2 3

drv click "$SHEET" 533 >/dev/null || fail "\"Install\" cannot be pressed"
expect_eq "the notice for the newer Corvatel" "$(drv answer "A later version of Corvatel" OK 30000)" \
  "A later version of Corvatel is needed to install Quendar Legacy Tools.  Please download and install the latest version of Corvatel and try again."
SUMMARY="There was a problem installing one or more files.  Please try running Corvatel again.

The following application(s) did not install successfully:

     Quendar Device Manager
     Quendar Firmware Updater
     Quendar Legacy Tools"
expect_eq "the summary" "$(drv answer "There was a problem installing" OK 30000)" "$SUMMARY"
wait_for_finish
expect_rows "$INSTALL_LIST" "0|0|2|Quendar Device Manager|5.2.0|49.87M|Application failed to download or install|
0|0|2|Quendar Firmware Updater|1.0.4|8.09M|Application failed to download or install|
0|0|2|Quendar Legacy Tools|6.0.0|2.25M|Install Aborted.|"
expect_eq "setups that ran" "$(setup_runs "$SET")" "$MANAGER
$UPDATER"

drv click "$SHEET" "$FINISH_BUTTON" >/dev/null || fail "Finish cannot be pressed"
expect_exit 15
set_path=$(program_path "$SET")
expect_log "$SET" "Begin Download and Install Files
Preparing to install...:  Quendar Device Manager
Preparing to install...:  Quendar Firmware Updater
Preparing to install...:  Quendar Legacy Tools
Installing using Inno Setup: Quendar Device Manager
Install Command Line = \"$set_path\\$MANAGER\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Program Files\\Quendar\\Device Manager\" /LOG=\"$set_path\\InnoSetup.log\" 
Installing...:  Quendar Device Manager
Install Failed (A fatal error occurred during the actual installation process):  Quendar Device Manager
Install Failed (A fatal error occurred during the actual installation process)
Application failed to download or install:  Quendar Device Manager
Installing using Inno Setup: Quendar Firmware Updater
Install Command Line = \"$set_path\\$UPDATER\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Program Files\\Quendar\\Firmware Updater\" /LOG=\"$set_path\\InnoSetup.log\" 
Installing...:  Quendar Firmware Updater
Corvatel_Install.log > ErrorMessage for Quendar Firmware Updater: Boom
Install Failed (Boom):  Quendar Firmware Updater
Install Failed (Boom)
Application failed to download or install:  Quendar Firmware Updater
unsupported install type: Quendar Legacy Tools
Install Aborted.:  Quendar Legacy Tools
$SUMMARY

Finished"
note "passed"
