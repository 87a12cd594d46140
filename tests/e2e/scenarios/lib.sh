# Shared by the scenarios: start Corvatel.exe in the run's prefix, drive it with UiDriver.exe,
# check what the user sees, and always clean up (the program, registry changes, temp files).
# Source it first thing; it sets a trap on EXIT. Every wait here is bounded, and the whole scenario
# by its deadline (CORVATEL_E2E_DEADLINE_S, below ctest's limit): past it, it fails and cleans up
# as any failure does. When the scenario fails, what explains it (E2E_WORK's logs, a screenshot)
# is kept in CORVATEL_TEST_LOGS.
# shellcheck shell=bash
set -euo pipefail

: "${CORVATEL_BIN:?set by ctest: the folder of Corvatel.exe and UiDriver.exe}"
: "${CORVATEL_FIXTURES:?set by ctest: tests/fixtures}"
: "${CORVATEL_TEST_LOGS:?set by ctest: where a failed scenario keeps its logs}"
: "${CORVATEL_E2E_DEADLINE_S:?set by ctest: how long the scenario may take}"
: "${WINEPREFIX:?run the scenarios through scripts/test, which makes the prefix and display}"
: "${DISPLAY:?run the scenarios through scripts/test, which makes the prefix and display}"

SCENARIO=${0##*/}
SCENARIO=${SCENARIO%.sh}
# The wizard's caption; its pages' caption becomes the sheet's.
SHEET="Quendar Corvatel"
EXIT_QUESTION="Are you sure you want to exit Quendar Corvatel?"
VERSION_LINE="Corvatel Version 4.00.11"
APP_DEFAULTS='HKCU\Software\Wine\AppDefaults\Corvatel.exe'

E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvatel-e2e.XXXXXX")
CORVATEL_PID=""
E2E_CLEANUPS=()

note() { printf '[%s] %s\n' "$SCENARIO" "$*"; }

# The end of a wait TIMEOUT_S seconds from now, in microseconds; `before END` holds until then. Waits
# are measured in time, not in tries: one call of the driver takes a second or more on a loaded machine.
end_in() { echo $((${EPOCHREALTIME/[.,]/} + $1 * 1000000)); }
before() { ((${EPOCHREALTIME/[.,]/} < $1)); }

fail() {
  printf '[%s] FAIL: %s\n' "$SCENARIO" "$*" >&2
  if [[ -s $E2E_WORK/driver.log ]]; then
    printf '[%s] the driver said:\n' "$SCENARIO" >&2
    cat "$E2E_WORK/driver.log" >&2
  fi
  printf '[%s] the program'"'"'s windows:\n' "$SCENARIO" >&2
  drv list >&2 || true
  exit 1
}

# Every log in the scenario's folder (the program's, the driver's, the setups') and the screenshot,
# kept after the folder goes.
keep_evidence() {
  rm -rf "$CORVATEL_TEST_LOGS"
  mkdir -p "$CORVATEL_TEST_LOGS"
  (cd "$E2E_WORK" && find . -type f \( -name '*.log' -o -name '*.png' \) -exec cp --parents {} "$CORVATEL_TEST_LOGS/" \;) ||
    true
  printf '[%s] logs and screenshot: %s\n' "$SCENARIO" "$CORVATEL_TEST_LOGS" >&2
}

# UiDriver.exe with its output as Unix text; its status is the driver's. A call ends soon after the
# deadline, so that the deadline's failure comes (the clean-up's calls get a few seconds).
drv() {
  local left=$((E2E_DEADLINE_AT - SECONDS + 2))
  ((left <= 60)) || left=60
  ((left >= 5)) || left=5
  timeout "$left" wine "$CORVATEL_BIN/UiDriver.exe" "$@" </dev/null 2>>"$E2E_WORK/driver.log" | tr -d '\r'
}

# A host path as the program sees it (wine maps / to Z:).
winpath() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

# Runs a command at exit, after the program is gone (last registered runs first).
on_exit() { E2E_CLEANUPS=("$*" "${E2E_CLEANUPS[@]}"); }

start_corvatel() {
  note "start: Corvatel.exe $*"
  (cd "$CORVATEL_BIN" && exec wine Corvatel.exe "$@" </dev/null >>"$E2E_WORK/corvatel.log" 2>&1) &
  CORVATEL_PID=$!
}

corvatel_running() { [[ -n $CORVATEL_PID ]] && kill -0 "$CORVATEL_PID" 2>/dev/null; }

# Waits until the program has ended by itself.
expect_exit() {
  local timeout_s=${1:-15} end
  end=$(end_in "$timeout_s")
  while before "$end"; do
    corvatel_running || { wait "$CORVATEL_PID" 2>/dev/null || true; CORVATEL_PID=""; return 0; }
    sleep 0.1
  done
  fail "Corvatel.exe is still running ${timeout_s}s after it was told to close"
}

stop_corvatel() {
  corvatel_running || { CORVATEL_PID=""; return 0; }
  note "ending the program that is still running"
  # Ended as a Windows process first, so wine tidies up after it; by its Unix process if that fails.
  drv kill >/dev/null || true
  local end
  end=$(end_in 5)
  while before "$end"; do
    corvatel_running || break
    sleep 0.1
  done
  if corvatel_running; then
    kill -KILL "$CORVATEL_PID" 2>/dev/null || true
  fi
  wait "$CORVATEL_PID" 2>/dev/null || true
  CORVATEL_PID=""
}

e2e_cleanup() {
  local status=$? cleanup
  trap - EXIT USR1
  kill "$E2E_WATCHDOG_PID" 2>/dev/null || true
  # Taken while the program's windows are still up.
  [[ $status -eq 0 ]] || import -window root "$E2E_WORK/screenshot.png" 2>/dev/null || true
  stop_corvatel
  for cleanup in "${E2E_CLEANUPS[@]}"; do
    eval "$cleanup" || status=1
  done
  [[ $status -eq 0 ]] || keep_evidence
  rm -rf "$E2E_WORK"
  exit "$status"
}
trap e2e_cleanup EXIT

# The deadline: a signal that the scenario takes as soon as its current command returns.
E2E_DEADLINE_AT=$((SECONDS + CORVATEL_E2E_DEADLINE_S))
trap 'fail "the scenario ran into its deadline"' USR1
(
  end=$(end_in "$CORVATEL_E2E_DEADLINE_S")
  while before "$end"; do
    sleep 0.1
    kill -0 "$$" 2>/dev/null || exit 0
  done
  note "${CORVATEL_E2E_DEADLINE_S}s have passed: the scenario ends" >&2
  kill -USR1 "$$"
) </dev/null >/dev/null &
E2E_WATCHDOG_PID=$!

expect_eq() {
  local what=$1 actual=$2 expected=$3
  [[ $actual == "$expected" ]] || fail "$what: expected \"$expected\", got \"$actual\""
}

# The wizard is up and showing page INDEX of COUNT.
expect_page() {
  local index=$1 count=$2 actual
  actual=$(drv pages "$SHEET") || fail "the wizard is not there"
  expect_eq "page and page count" "$actual" "$index $count"
}

# The wizard's status lines on the page now showing.
expect_header_lines() {
  local windows=$1 user=$2
  expect_eq "version line (530)" "$(drv text "$SHEET" 530)" "$VERSION_LINE"
  expect_eq "Windows line (531)" "$(drv text "$SHEET" 531)" "$windows"
  expect_eq "user line (532)" "$(drv text "$SHEET" 532)" "$user"
}

# The Windows user the program runs as, as Windows reports it.
windows_user() {
  wine cmd /c 'echo %USERNAME%' </dev/null 2>/dev/null | tr -d '\r'
}

# Waits until the wizard shows page INDEX of COUNT (a page change completes asynchronously).
wait_for_page() {
  local index=$1 count=$2 end actual=""
  end=$(end_in 15)
  while before "$end"; do
    actual=$(drv pages "$SHEET") || true
    [[ $actual == "$index $count" ]] && return 0
    sleep 0.1
  done
  fail "the wizard does not show page $index of $count (shows \"$actual\")"
}

# Presses a wizard button (Next, Back) and waits for the page it leads to.
turn_page() {
  local button=$1 index=$2 count=$3
  drv click "$SHEET" "$button" >/dev/null || fail "\"$button\" cannot be pressed"
  wait_for_page "$index" "$count"
}
next_page() { turn_page "Next >" "$@"; }
back_page() { turn_page "< Back" "$@"; }

# "I agree" on the licence page (control 508): Next comes on. A wizard busy past the driver's
# answer time (a loaded machine, the page still filling its text) is asked again.
agree_to_licence() {
  local end pressed=0
  end=$(end_in 15)
  while before "$end"; do
    ((pressed)) || { drv click "$SHEET" 508 >/dev/null && pressed=1; }
    ((pressed)) && [[ $(drv enabled "$SHEET" "Next >") == 1 ]] && return 0
    sleep 0.1
  done
  ((pressed)) || fail "\"I agree\" cannot be pressed"
  fail "Next stays off after \"I agree\""
}

# Finish: the program must end.
finish_wizard() {
  drv click "$SHEET" Finish >/dev/null || fail "Finish cannot be pressed"
  expect_exit 15
}

# Cancel, then Yes to the exit question: the program must end.
cancel_wizard() {
  drv click "$SHEET" Cancel >/dev/null || fail "Cancel cannot be pressed"
  drv answer "$EXIT_QUESTION" Yes >/dev/null || fail "no exit question after Cancel"
  expect_exit 15
}

# The selection page's lists and the install page's list (tree-list control ids).
APP_LIST=500
DOWNLOAD_LIST=501
INSTALL_LIST=502
TOTAL_SIZE=514

# A list's rows as "tick|lock|image|column texts...", one per line.
rows() { drv rows "$SHEET" "$1"; }

# Waits until the list's rows are exactly the expected lines (the page applies clicks a moment
# later; a download or install may take SECONDS).
expect_rows() { wait_for_rows "$1" == "$2" "${3:-5}"; }
# The same with the rows as one extended regular expression: for a row image that animates.
expect_rows_like() { wait_for_rows "$1" =~ "$2" "${3:-5}"; }
wait_for_rows() {
  local list=$1 how=$2 expected=$3 timeout_s=$4 end actual=""
  end=$(end_in "$timeout_s")
  while before "$end"; do
    actual=$(rows "$list") || true
    if [[ $how == "==" ]]; then
      [[ $actual == "$expected" ]] && return 0
    else
      [[ $actual =~ $expected ]] && return 0
    fi
    sleep 0.1
  done
  fail "rows of list $list after ${timeout_s}s:"$'\n'"expected:"$'\n'"$expected"$'\n'"got:"$'\n'"$actual"
}

# Ticks an application as a click on its check box does.
tick_application() {
  drv tick "$SHEET" "$APP_LIST" "$1" >/dev/null || fail "\"$1\" cannot be ticked"
}

# A folder holding the catalogue as a downloaded set: FOLDER/CorvatelSFTP.xml.
make_install_folder() {
  local folder=$1 catalogue=$2
  mkdir -p "$folder"
  cp "$CORVATEL_FIXTURES/$catalogue" "$folder/CorvatelSFTP.xml"
}

# The install roads: the stand-in setups, where they install, and the program's log.
INSTALL_KEY='HKLM\SOFTWARE\Quendar Test\E2E Install'
INSTALL_ROOT="$WINEPREFIX/drive_c/Program Files/Quendar"
FINISH_BUTTON=Finish

# Starts Corvatel.exe with no network at all: a network namespace of its own, with no interface up.
start_corvatel_offline() {
  note "start offline: Corvatel.exe $*"
  (cd "$CORVATEL_BIN" && exec unshare --net -- wine Corvatel.exe "$@" </dev/null >>"$E2E_WORK/corvatel.log" 2>&1) &
  CORVATEL_PID=$!
}

# Copies of the stand-in setup named after download entries, into FOLDER; FOLDER/SilentSetup.ini
# says what each does. What the setups install (under the install root, and registry values under
# INSTALL_KEY) goes at exit.
make_setups() {
  local folder=$1 name
  shift
  for name in "$@"; do
    cp "$CORVATEL_BIN/SilentSetup.exe" "$folder/$name"
  done
}
clean_installs_at_exit() {
  local folder
  on_exit "wine reg delete '$INSTALL_KEY' /f </dev/null >/dev/null 2>&1 || true"
  for folder in "$@"; do
    on_exit "rm -rf '$INSTALL_ROOT/$folder'"
  done
}

# A folder's path as the program names it: the "INSTALL:" value comes upper-cased.
program_path() { winpath "$1" | tr '[:lower:]' '[:upper:]'; }

# The program log in FOLDER without its time stamps, one entry per line.
program_log() {
  sed -e 's/\r$//' -e 's|^[0-9][0-9]/[0-9][0-9]/[0-9]\{4\} [0-9][0-9]:[0-9][0-9]:[0-9][0-9]  :  ||' "$1/Corvatel.log"
}
expect_log() {
  local folder=$1 expected=$2 actual
  actual=$(program_log "$folder") || fail "there is no log in $folder"
  [[ $actual == "$expected" ]] || fail "the log:"$'\n'"expected:"$'\n'"$expected"$'\n'"got:"$'\n'"$actual"$'\n'"$(diff <(echo "$expected") <(echo "$actual") || true)"
}

# Waits until the wizard offers Finish, as it does once the setups have run.
wait_for_finish() {
  local timeout_s=${1:-30} end
  end=$(end_in "$timeout_s")
  while before "$end"; do
    [[ $(drv enabled "$SHEET" "$FINISH_BUTTON") == 1 && $(drv visible "$SHEET" "$FINISH_BUTTON") == 1 ]] && return 0
    sleep 0.1
  done
  fail "Finish is not offered after ${timeout_s}s"
}

# The setups that ran, from their own record in FOLDER: one file name per run.
setup_runs() { [[ ! -f $1/SilentSetup.runs ]] || cut -f1 "$1/SilentSetup.runs" | tr -d '\r'; }

# Sets a registry value for this scenario and puts the old state back at exit.
set_registry_value() {
  local key=$1 name=$2 type=$3 data=$4
  keep_registry_value "$key" "$name"
  wine reg add "$key" /v "$name" /t "$type" /d "$data" /f </dev/null >/dev/null 2>&1 ||
    fail "cannot set $key\\$name"
}

# Puts a registry value that the program may write back as it is now, at exit.
keep_registry_value() {
  local key=$1 name=$2 old
  old=$(wine reg query "$key" /v "$name" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$name  *\(REG_[A-Z_]*\)  *\(.*\)\$/\1 \2/p") || true
  if [[ -n $old ]]; then
    on_exit "wine reg add '$key' /v '$name' /t ${old%% *} /d '${old#* }' /f </dev/null >/dev/null 2>&1"
  else
    on_exit "wine reg delete '$key' /v '$name' /f </dev/null >/dev/null 2>&1 || true"
  fi
}

# The maker's web site on its real port for this scenario: the run's HTTPS peer serves FOLDER's
# files (CorvatelSFTP.xml, "Software License Agreement.rtf") at https://www.quendar.com/ until the
# scenario ends.
start_site() {
  local folder=$1 ports=$E2E_WORK/site.ports pid end
  : "${CORVATEL_HTTPS_ADDRESS:?run the scenarios through scripts/test, which starts the HTTPS peer}"
  python3 "$(dirname "${BASH_SOURCE[0]}")/../peers/https_server.py" --site "$folder" \
    --address "$CORVATEL_HTTPS_ADDRESS" --port 443 --cert "$CORVATEL_HTTPS_CERTS/server.crt" \
    --key "$CORVATEL_HTTPS_CERTS/server.key" --ports-file "$ports" </dev/null >>"$E2E_WORK/site.log" 2>&1 &
  pid=$!
  on_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null || true"
  end=$(end_in 5)
  while before "$end"; do
    [[ -s $ports ]] && return 0
    sleep 0.05
  done
  fail "the web site did not start (see site.log)"
}

# The SFTP roads: the maker's web site and the run's download server (sshd_peer.sh), the login
# dialog, and the program's log.
PROGRAM_KEY='HKLM\SOFTWARE\Quendar Electronics Inc.\Quendar Corvatel'
SFTP_KEY='HKLM\SOFTWARE\Quendar Test\E2E SFTP'
LOGIN_DIALOG="Password Required"
LOGIN_USER_EDIT=513
LOGIN_PASSWORD_EDIT=531

# The download server's "setups" folder for this scenario: copies of the stand-in setup under the
# names given; what the setups install (registry values under SFTP_KEY) goes at exit too.
serve_setups() {
  local name
  SERVED=$CORVATEL_SFTP_HOME/setups
  mkdir -p "$SERVED/_iss"
  chmod -R a+rX "$SERVED"
  on_exit "rm -rf '$SERVED'"
  on_exit "wine reg delete '$SFTP_KEY' /f </dev/null >/dev/null 2>&1 || true"
  for name in "$@"; do
    cp "$CORVATEL_BIN/SilentSetup.exe" "$SERVED/$name"
  done
}

# Corvatel.exe on the maker's web site, serving catalogue-sftp.xml and the licence, downloading
# from the run's password server. The folders and host key it keeps in its registry key are put
# back at exit.
start_corvatel_online() {
  local site=$E2E_WORK/site
  mkdir -p "$site"
  cp "$CORVATEL_FIXTURES/catalogue-sftp.xml" "$site/CorvatelSFTP.xml"
  cp "$CORVATEL_FIXTURES/license.rtf" "$site/Software License Agreement.rtf"
  start_site "$site"
  keep_registry_value "$PROGRAM_KEY" Download
  keep_registry_value "$PROGRAM_KEY" Install
  keep_registry_value "$PROGRAM_KEY\HostKeys" "127.0.0.1:$CORVATEL_SFTP_PORT_PASSWORD"
  start_corvatel /FTP:127.0.0.1 "/PORT:$CORVATEL_SFTP_PORT_PASSWORD"
  # The connect dialog of the fetch bears the wizard's caption too: the wizard is up when its pages are.
  local end
  end=$(end_in 30)
  while before "$end"; do
    [[ $(drv pages "$SHEET" 2>/dev/null) == "0 4" ]] && return 0
    sleep 0.1
  done
  fail "the wizard did not open on the catalogue from the web site"
}

# From the selection page to the install page: the applications ticked, the download and install
# folders (created here) typed on the folders page, the licence agreed to.
to_install_page() {
  local download=$1 install=$2 app
  shift 2
  mkdir -p "$download" "$install"
  for app in "$@"; do
    tick_application "$app"
  done
  next_page 1 4
  drv type "$SHEET" 515 "$(winpath "$download")" >/dev/null || fail "the download folder cannot be typed"
  drv type "$SHEET" 516 "$(winpath "$install")" >/dev/null || fail "the install folder cannot be typed"
  next_page 2 4
  agree_to_licence
  next_page 3 4
}

# Fills in the login dialog and presses OK.
log_in() {
  local password=$1
  drv wait "$LOGIN_DIALOG" 10000 >/dev/null || fail "no login dialog"
  drv type "$LOGIN_DIALOG" "$LOGIN_USER_EDIT" "$CORVATEL_SFTP_USER" >/dev/null || fail "the user name cannot be typed"
  drv type "$LOGIN_DIALOG" "$LOGIN_PASSWORD_EDIT" "$password" >/dev/null || fail "the password cannot be typed"
  drv click "$LOGIN_DIALOG" OK >/dev/null || fail "OK cannot be pressed in the login dialog"
}

# Each expected line is in the log, after the one before it; other lines may come between.
expect_log_in_order() {
  local folder=$1 expected=$2 actual missing
  actual=$(program_log "$folder") || fail "there is no log in $folder"
  missing=$(EXPECTED=$expected awk 'BEGIN { n = split(ENVIRON["EXPECTED"], want, "\n"); i = 1 }
    i <= n && $0 == want[i] { i++ }
    END { if (i <= n) print want[i] }' <<<"$actual")
  [[ -z $missing ]] || fail "the log lacks, or has out of order: $missing"$'\n'"the log:"$'\n'"$actual"
}

# A program left by a scenario that was cut short would be taken for this one's.
drv kill >/dev/null || true

# The program's AppDefaults key goes again at exit when this scenario made it.
wine reg query "$APP_DEFAULTS" </dev/null >/dev/null 2>&1 ||
  on_exit "wine reg delete '$APP_DEFAULTS' /f </dev/null >/dev/null 2>&1 || true"
