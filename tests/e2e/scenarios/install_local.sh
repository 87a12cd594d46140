#!/usr/bin/env bash
# "INSTALL:" road with no network at all: the setups of a downloaded set run silently, an Inno
# Setup application after its InstallShield part, whose response file is sent under the install
# root first. Each setup is judged by what it leaves; the component's result file asks for a
# restart and leaves a message. Finish offers the restart (answered No). The program's own
# registry key is not written, and the log holds the lines of the run in order.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SET=$E2E_WORK/set
STUDIO=QuendarStudioSuite_3.4.0.3400.exe
ENGINE=QuendarAudioEngine_2.1.0.2100.exe
ENGINE_ISS=QuendarAudioEngine_2.1.0.2100.iss
PROGRAM_KEY='HKLM\SOFTWARE\Quendar Electronics Inc.\Quendar Corvatel'
INFO="Studio Suite is ready: connect your interface."
RESTART_QUESTION="Your computer must be restarted in order to complete the installation"

make_install_folder "$SET" catalogue-install.xml
make_setups "$SET" "$STUDIO" "$ENGINE"
printf '[SdAskDestPath-0]\r\nszDir=C:\\Old Place\\Audio Engine\r\nResult=1\r\n' >"$SET/$ENGINE_ISS"
cat >"$SET/SilentSetup.ini" <<INI
[$STUDIO]
RegistryKey=SOFTWARE\\Quendar Test\\E2E Install\\Studio Suite
Version=3.4.0
Build=3400
Reboot=1
InfoMessage=$INFO
[$ENGINE]
Style=InstallShield
RegistryKey=SOFTWARE\\Quendar Test\\E2E Install\\Audio Engine
Version=2.1.0
Build=2100
INI
clean_installs_at_exit "Studio Suite" "Audio Engine"
# The folders the program keeps in its key: "INSTALL:" mode neither asks for them nor writes them.
program_folders() {
  wine reg query "$PROGRAM_KEY" </dev/null 2>/dev/null | tr -d '\r' | grep -E '^ +(Download|Install) ' || true
}
program_folders_before=$(program_folders)

start_corvatel_offline "/INSTALL:$(winpath "$SET")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
tick_application "Quendar Studio Suite"
next_page 1 3
agree_to_licence
next_page 2 3
expect_rows "$INSTALL_LIST" "0|0|0|Quendar Studio Suite|3.4.0|101.07M||"

drv click "$SHEET" 533 >/dev/null || fail "\"Install\" cannot be pressed"
wait_for_finish
expect_rows "$INSTALL_LIST" "0|0|1|Quendar Studio Suite|3.4.0|101.07M|Installed.|"
expect_eq "Cancel after the installs" "$(drv enabled "$SHEET" Cancel)" 0
expect_eq "Install after the installs" "$(drv enabled "$SHEET" 533)" 0
expect_eq "setups that ran" "$(setup_runs "$SET")" "$ENGINE
$STUDIO"
expect_eq "the response file" "$(tr -d '\r' <"$SET/$ENGINE_ISS")" '[SdAskDestPath-0]
szDir=C:\Program Files\Quendar\Audio Engine
Result=1'
[[ -f "$INSTALL_ROOT/Audio Engine/$ENGINE.installed" && -f "$INSTALL_ROOT/Studio Suite/$STUDIO.installed" ]] ||
  fail "the setups installed nothing"
expect_eq "the installed version" \
  "$(wine reg query "$INSTALL_KEY\\Studio Suite" /v Version </dev/null 2>/dev/null | tr -d '\r' | awk '/Version/ {print $3}')" 3.4.0
# The component's message goes to the log only: this road shows no message boxes of the setups.
if drv answer "$INFO" OK 1500 >/dev/null; then
  fail "the component's message was shown"
fi

drv click "$SHEET" "$FINISH_BUTTON" >/dev/null || fail "Finish cannot be pressed"
drv answer "$RESTART_QUESTION" No >/dev/null || fail "no restart question at Finish"
expect_exit 15

expect_eq "the folders in the program's registry key" "$(program_folders)" "$program_folders_before"
set_path=$(program_path "$SET")
expect_log "$SET" "Begin Download and Install Files
Preparing to install...:  Quendar Audio Engine
Preparing to install...:  Quendar Studio Suite
Installing using InstallShield: Quendar Audio Engine
Install Command Line = \"$set_path\\$ENGINE\" ShowStartMenu=FALSE  /s /f1\"$set_path\\$ENGINE_ISS\"
Installing part 1 of 2...:  Quendar Studio Suite
Installed.:  Quendar Audio Engine
Installing using Inno Setup: Quendar Studio Suite
Install Command Line = \"$set_path\\$STUDIO\" /CORVATEL=TRUE /VERYSILENT /NORESTART /DIR=\"C:\\Program Files\\Quendar\\Studio Suite\" /LOG=\"$set_path\\InnoSetup.log\"  /STARTMENUTEXT=\"Quendar Studio Suite\"
Installing part 2 of 2...:  Quendar Studio Suite
Corvatel_Install.log > Reboot Required for Quendar Studio Suite
Corvatel_Install.log > InfoMessage for Quendar Studio Suite: $INFO
Installed.:  Quendar Studio Suite
Finished"
note "passed"
