#!/usr/bin/env bash
# The main road over the network: catalogue and licence from the maker's web site, the folders
# chosen on their page, four applications downloaded over SFTP and installed. A is an Inno Setup;
# B, C and D are InstallShield setups: B's response file comes first from the server's "_iss"
# folder and is played back, C has none and records one ("/r"), D's says its data is missing
# (ResultCode -3), which fails D alone and brings the summary box; then A's component message comes
# in a box captioned with its name. Then Cancel on the install page: No keeps the wizard, Yes ends
# it, each logged "Canceled".
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DOWNLOADS=$E2E_WORK/downloads
PROGRAMS=$E2E_WORK/programs
serve_setups a.exe b.exe c.exe d.exe
printf '[SdAskDestPath-0]\r\nszDir=C:\\Old Place\\B\r\n' >"$SERVED/_iss/b.iss"
printf '[SdAskDestPath-0]\r\nszDir=C:\\Old Place\\D\r\n' >"$SERVED/_iss/d.iss"
mkdir -p "$DOWNLOADS"
cat >"$DOWNLOADS/SilentSetup.ini" <<INI
[a.exe]
RegistryKey=SOFTWARE\\Quendar Test\\E2E SFTP\\A
Version=1.0.0
Build=100
InfoMessage=A is ready.
[b.exe]
Style=InstallShield
RegistryKey=SOFTWARE\\Quendar Test\\E2E SFTP\\B
Version=2.0.0
Build=200
[c.exe]
Style=InstallShield
RecordDir=$(winpath "$PROGRAMS")\\C
[d.exe]
Style=InstallShield
ResultCode=-3
INI

start_corvatel_online
to_install_page "$DOWNLOADS" "$PROGRAMS" A B C D
drv click "$SHEET" 533 >/dev/null || fail "\"Download and Install\" cannot be pressed"
log_in "$CORVATEL_SFTP_PASSWORD"
expect_eq "the summary" "$(drv answer "There was a problem installing" OK 60000)" \
  "There was a problem installing one or more files.  Please try running Corvatel again.

The following application(s) did not install successfully:

     D"
expect_eq "the caption of A's message" "$(drv wait "A is ready." 30000)" A
drv answer "A is ready." OK >/dev/null || fail "A's message cannot be answered"
wait_for_finish
expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Installed.|
0|0|1|B|2.0.0|0.20M|Installed.|
0|0|1|C|3.0.0|0.20M|Installed.|
0|0|2|D|4.0.0|0.20M|Application failed to download or install|"

expect_eq "the folders in the program's registry key" \
  "$(wine reg query "$PROGRAM_KEY" </dev/null 2>/dev/null | tr -d '\r' | awk '$1 == "Download" || $1 == "Install" {print $1, $3}')" \
  "Download $(winpath "$DOWNLOADS")
Install $(winpath "$PROGRAMS")"
for name in a b c d; do
  cmp -s "$DOWNLOADS/$name.exe" "$SERVED/$name.exe" || fail "$name.exe is not the served file"
  [[ ! -e $DOWNLOADS/$name.ex_ ]] || fail "the temporary $name.ex_ is left"
done
expect_eq "B's response file, moved under the install folder" "$(tr -d '\r' <"$DOWNLOADS/b.iss")" \
  "[SdAskDestPath-0]
szDir=$(winpath "$PROGRAMS")\\B"
expect_eq "A's installed version" \
  "$(wine reg query "$SFTP_KEY\\A" /v Version </dev/null 2>/dev/null | tr -d '\r' | awk '/Version/ {print $3}')" 1.0.0

# Cancel: No keeps the wizard, Yes ends it; both are logged.
drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed"
drv answer "$EXIT_QUESTION" No >/dev/null || fail "no exit question after Cancel"
wait_for_page 3 4
drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed again"
drv answer "$EXIT_QUESTION" Yes >/dev/null || fail "no exit question after the second Cancel"
expect_exit 15

downloads=$(winpath "$DOWNLOADS")
expect_log_in_order "$DOWNLOADS" "Begin Download and Install Files
Response File Downloaded.:  B
Downloaded.:  B
Installing using Inno Setup: A
Corvatel_Install.log > InfoMessage for A: A is ready.
Installed.:  A
Installing using InstallShield: B
Install Command Line = \"$downloads\\b.exe\"  /a /s /f1\"$downloads\\b.iss\"
Installed.:  B
Installing using InstallShield: C
Install Command Line = \"$downloads\\c.exe\"  /a /r /f1\"$downloads\\c.iss\"
Installed.:  C
Installing using InstallShield: D
Install Failed (Required data not found in the response (.iss) file.)
Canceled
Canceled"
note "passed"
