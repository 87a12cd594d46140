#!/usr/bin/env bash
# Finish runs the application named on the command line: an installed Device Manager is updated
# from a downloaded set into its own folder, where the setup puts the program anew; Finish offers
# to run it, and Yes starts it there by its whole path (the program records that it ran). A product
# whose folder is a command is not offered.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SET=$E2E_WORK/set
MANAGER=QuendarDeviceManager_5.2.0.5120.exe
FOLDER='C:\Program Files\Quendar\Device Manager'

make_install_folder "$SET" catalogue-install.xml
# Listed before it, a product that names the same program and whose "folder" is a command: its ".."
# steps (one for each step of the text after system32, "/c" is one) lead back to
# C:\windows\system32, so it resolves to a folder that exists.
OWNED=$E2E_WORK/owned.txt
PAPA_FOLDER="C:\\windows\\system32\\cmd.exe /c echo owned > $(winpath "$OWNED") & rem "
PAPA_FOLDER+=$(printf '\\..%.0s' $(seq $(($(tr -cd / <<<"$OWNED" | wc -c) + 2))))
PAPA="  <Product Id=\"900\" Version=\"1.0.0\"><Name>Quendar Papa</Name><Download>QuendarPapa.exe</Download>
    <InstallType>1</InstallType><Exe>QDevMgr.exe</Exe><VersionPath>${PAPA_FOLDER//&/'&amp;'}</VersionPath></Product>"
PAPA=$PAPA awk '{ print } /<Products>/ { print ENVIRON["PAPA"] }' "$CORVATEL_FIXTURES/catalogue-install.xml" \
  >"$SET/CorvatelSFTP.xml"
make_setups "$SET" "$MANAGER"
cat >"$SET/SilentSetup.ini" <<INI
[$MANAGER]
RegistryKey=SOFTWARE\\Quendar Test\\E2E Install\\Device Manager
Version=5.2.0
Build=5120
Program=QDevMgr.exe
INI
clean_installs_at_exit "Device Manager"
# Where Windows would look first for the program's path without quotes: "...\Quendar\Device.exe".
mkdir -p "$INSTALL_ROOT"
make_setups "$INSTALL_ROOT" Device.exe
printf '[Device.exe]\r\nStyle=Program\r\n' >"$INSTALL_ROOT/SilentSetup.ini"
on_exit "rm -f '$INSTALL_ROOT/Device.exe' '$INSTALL_ROOT/SilentSetup.ini' '$INSTALL_ROOT/SilentSetup.runs'"
# Version 5.0.0 is installed in its folder.
wine reg add "$INSTALL_KEY\\Device Manager" /v Version /d 5.0.0 /f </dev/null >/dev/null 2>&1 &&
  wine reg add "$INSTALL_KEY\\Device Manager" /v InstallDir /d "$FOLDER" /f </dev/null >/dev/null 2>&1 ||
  fail "cannot register the installed Device Manager"

start_corvatel "/INSTALL:$(winpath "$SET")" QDevMgr.exe
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
# An installed application comes ticked.
expect_rows "$APP_LIST" "$(rows "$APP_LIST" | sed 's/^0|\(.*|Quendar Device Manager|\)/1|\1/')"
next_page 1 3
agree_to_licence
next_page 2 3
drv click "$SHEET" 533 >/dev/null || fail "\"Install\" cannot be pressed"
wait_for_finish
expect_rows "$INSTALL_LIST" "0|0|1|Quendar Device Manager|5.2.0|49.87M|Installed.|"

drv click "$SHEET" "$FINISH_BUTTON" >/dev/null || fail "Finish cannot be pressed"
expect_eq "the offer" "$(drv answer "Would you like Corvatel to run" Yes)" \
  "Would you like Corvatel to run Quendar Device Manager now?

Click 'Yes' to run or 'No' to exit Corvatel"
expect_exit 15
# The program ran from its folder.
runs="$INSTALL_ROOT/Device Manager/SilentSetup.runs"
for ((i = 0; i < 100; i++)); do
  [[ -s $runs ]] && break
  sleep 0.1
done
expect_eq "the program's runs" "$(tr -d '\r"' <"$runs" 2>/dev/null | cut -f1,3)" "QDevMgr.exe	$FOLDER\\QDevMgr.exe"
[[ ! -e $INSTALL_ROOT/SilentSetup.runs ]] || fail "Device.exe ran in the program's place"
[[ ! -e $OWNED ]] || fail "the catalogue's command ran"
expect_log_in_order "$SET" "Quendar Papa is not offered to run: \"$PAPA_FOLDER\" is not the full path of a folder on this PC"
note "passed"
