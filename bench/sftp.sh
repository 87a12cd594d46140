# SFTP download from the loopback sshd (password server, tests/e2e/peers/sshd_peer.sh) of 64 and
# 256 MiB files by (a) the program's CFtpMgr and CCrypto, (b) a bare libssh2 loop with the same
# library, block size and socket options, both under wine, (c) OpenSSH's sftp natively, and (d)
# the real Corvatel.exe on the download-only road ("Download, but do NOT install" on a local
# catalogue), timed from OK in its login dialog until the row shows "Done." (the dialog's own
# login test included). Then four 64 MiB files side by side: four (a) processes at once against
# the program downloading all four, each timed from the first start to the last end.
# Each figure is the best of five runs (other work on the machine only ever slows a run down); the
# peak working set is (a)'s in that run. The ways of one row run in turns, one run of each in every
# round, so that a change in the machine's load falls on all of them alike.
# shellcheck shell=bash
# shellcheck source-path=SCRIPTDIR/.. source=tests/e2e/peers/sshd_peer.sh
source "$CORVATEL_ROOT/tests/e2e/peers/sshd_peer.sh"

SFTP_BENCH_RUNS=5
SFTP_BENCH_SHEET="Quendar Corvatel"
SFTP_BENCH_LOGIN="Password Required"

# Runs each way of downloading (a function, given the served files that follow "--")
# SFTP_BENCH_RUNS times, in turns; prints the fastest run of each way, "MB/s peak-MiB", one line
# per way in the order given.
sftp_bench_turns() {
  local ways=() runs=() i w
  while [[ $1 != -- ]]; do
    ways+=("$1")
    shift
  done
  shift
  for ((i = 0; i < SFTP_BENCH_RUNS; i++)); do
    for ((w = 0; w < ${#ways[@]}; w++)); do
      runs[w]+="$("${ways[w]}" "$@")"$'\n' || die "SFTP benchmark run failed: ${ways[w]} $*"
    done
  done
  for ((w = 0; w < ${#ways[@]}; w++)); do
    sort -rn -k1,1 <<<"${runs[w]}" | head -n 1
  done
}

sftp_bench_wine() {
  local figures
  figures=$(wine "$build/bin/SftpBench.exe" "$1" 127.0.0.1 "$CORVATEL_SFTP_PORT_PASSWORD" "$CORVATEL_SFTP_USER" \
    "$CORVATEL_SFTP_PASSWORD" "$2" "Z:$work/$1.bin" </dev/null) || return 1
  awk '{ print $3, $4 }' <<<"$figures"
}

sftp_bench_manager() { sftp_bench_wine manager "$1"; }
sftp_bench_bare() { sftp_bench_wine bare "$1"; }

# The "MB/s" of (a) downloads of the served files all at once: all bytes over the time from the
# first start to the last end.
sftp_bench_managers() {
  local name i=0 pids=()
  rm -f "$work"/manager-*.txt
  for name in "$@"; do
    i=$((i + 1))
    wine "$build/bin/SftpBench.exe" manager 127.0.0.1 "$CORVATEL_SFTP_PORT_PASSWORD" "$CORVATEL_SFTP_USER" \
      "$CORVATEL_SFTP_PASSWORD" "$name" "Z:$work/manager-$i.bin" </dev/null >"$work/manager-$i.txt" &
    pids+=($!)
  done
  wait "${pids[@]}"
  cat "$work"/manager-*.txt | awk -v n=$# 'NF == 6 { bytes += $1; if (!began || $5 < began) began = $5; if ($6 > ended) ended = $6; n-- }
    END { if (n == 0) printf "%.1f -\n", bytes / 1e6 / ((ended - began) / 1e3); else exit 1 }'
}

sftp_bench_drv() {
  timeout "${SFTP_BENCH_DRIVER_S:-150}" wine "$build/bin/UiDriver.exe" "$@" </dev/null 2>>"$work/driver.log" | tr -d '\r'
}

# Turns the wizard's page and waits until page INDEX of four shows.
sftp_bench_turn() {
  local button=$1 index=$2 i
  sftp_bench_drv click "$SFTP_BENCH_SHEET" "$button" >/dev/null || return 1
  for ((i = 0; i < 100; i++)); do
    [[ $(sftp_bench_drv pages "$SFTP_BENCH_SHEET") == "$index 4" ]] && return 0
    sleep 0.1
  done
  return 1
}

# From the start to the press of OK in the login dialog: every application of the catalogue
# ticked, the folders typed, the licence agreed to, the road's button pressed (by default
# "Download, but do NOT install") and the login typed in; the driver then prints the milliseconds
# from OK until every row shows the road's last status (by default "Done.").
sftp_bench_drive() {
  local applications=$1 folder=$2 button=${3:-537} status=${4:-Done.} i
  sftp_bench_drv --timeout 60000 waitlist "$SFTP_BENCH_SHEET" 500 "$applications" >/dev/null &&
    sftp_bench_drv click "$SFTP_BENCH_SHEET" 546 >/dev/null &&
    sftp_bench_turn "Next >" 1 &&
    sftp_bench_drv type "$SFTP_BENCH_SHEET" 515 "Z:${folder//\//\\}\\downloads" >/dev/null &&
    sftp_bench_drv type "$SFTP_BENCH_SHEET" 516 "Z:${folder//\//\\}\\programs" >/dev/null &&
    sftp_bench_turn "Next >" 2 &&
    sftp_bench_drv click "$SFTP_BENCH_SHEET" 508 >/dev/null || return 1
  for ((i = 0; i < 50; i++)); do
    [[ $(sftp_bench_drv enabled "$SFTP_BENCH_SHEET" "Next >") == 1 ]] && break
    sleep 0.1
  done
  sftp_bench_turn "Next >" 3 &&
    sftp_bench_drv click "$SFTP_BENCH_SHEET" "$button" >/dev/null &&
    sftp_bench_drv type "$SFTP_BENCH_LOGIN" 513 "$CORVATEL_SFTP_USER" >/dev/null &&
    sftp_bench_drv type "$SFTP_BENCH_LOGIN" 531 "$CORVATEL_SFTP_PASSWORD" >/dev/null &&
    sftp_bench_drv --timeout "${SFTP_BENCH_WAIT_MS:-120000}" --press "$SFTP_BENCH_LOGIN" OK \
      waitcells "$SFTP_BENCH_SHEET" 502 3 "$status"
}

# Starts the program on FOLDER/catalogue.xml, written with one application for each served file
# named, and with empty download and install folders under FOLDER, against the server on
# SFTP_BENCH_PORT (by default the password server); sets sftp_bench_pid.
sftp_bench_start() {
  local folder=$1 name i=0
  shift
  rm -rf "$folder"
  mkdir -p "$folder/downloads" "$folder/programs"
  {
    echo '<?xml version="1.0"?>'
    echo '<Products>'
    for name in "$@"; do
      i=$((i + 1))
      printf '  <Product Id="%d" Version="1.0.0"><Name>Bench %s</Name><Download>%s</Download><Size>1</Size>' \
        $((2000 + i)) "$name" "$name"
      printf '<InstallType>1</InstallType><VersionModule registry="yes">HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar Bench\\%s\\Version</VersionModule>' "$name"
      printf '<VersionPath registry="yes">HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar Bench\\%s\\InstallDir</VersionPath></Product>\n' "$name"
    done
    echo '</Products>'
  } >"$folder/catalogue.xml"
  (cd "$build/bin" && exec wine Corvatel.exe /FTP:127.0.0.1 "/PORT:${SFTP_BENCH_PORT:-$CORVATEL_SFTP_PORT_PASSWORD}" \
    "Z:${folder//\//\\}\\catalogue.xml" </dev/null >>"$work/corvatel.log" 2>&1) &
  sftp_bench_pid=$!
}

# Prints "MB/s -" of the program downloading the served files named, all at once.
sftp_bench_program() {
  local folder=$work/program name ms bytes=0
  sftp_bench_start "$folder" "$@"
  ms=$(sftp_bench_drive $# "$folder") || ms=""
  sftp_bench_drv kill >/dev/null || true
  wait "$sftp_bench_pid" 2>/dev/null || true
  [[ -n $ms ]] || return 1
  for name in "$@"; do
    cmp -s "$folder/downloads/$name" "$CORVATEL_SFTP_HOME/$name" || return 1
    bytes=$((bytes + $(stat -c %s "$folder/downloads/$name")))
  done
  awk -v b="$bytes" -v ms="$ms" 'BEGIN { printf "%.1f -\n", b / 1e6 / (ms / 1e3) }'
}

sftp_bench_native() {
  local start end bytes
  start=$(date +%s%N)
  SSH_ASKPASS=$work/askpass SSH_ASKPASS_REQUIRE=force setsid sftp -q -P "$CORVATEL_SFTP_PORT_PASSWORD" \
    -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o PubkeyAuthentication=no \
    "$CORVATEL_SFTP_USER@127.0.0.1:$1" "$work/native.bin" </dev/null >/dev/null || return 1
  end=$(date +%s%N)
  bytes=$(stat -c %s "$work/native.bin")
  awk -v b="$bytes" -v ns=$((end - start)) 'BEGIN { printf "%.1f -\n", b / 1e6 / (ns / 1e9) }'
}

bench_sftp() {
  build=$1 work=$WINENV_DIR/sftp-bench
  mkdir -p "$work"
  trap 'sshd_peer_stop; winenv_stop' EXIT
  sshd_peer_start "$WINENV_DIR/peers"
  printf '#!/bin/sh\necho "%s"\n' "$CORVATEL_SFTP_PASSWORD" >"$work/askpass"
  chmod 700 "$work/askpass"
  printf '%-8s %10s %10s %10s %10s %7s %7s %7s %15s\n' size "a MB/s" "b MB/s" "c MB/s" "d MB/s" a/b a/c d/a "a peak (MiB)"
  local mib best a b c d i
  for mib in 64 256; do
    head -c $((mib << 20)) /dev/urandom >"$CORVATEL_SFTP_HOME/bench-$mib.exe"
    best=$(sftp_bench_turns sftp_bench_manager sftp_bench_bare sftp_bench_native sftp_bench_program -- "bench-$mib.exe")
    { read -r a peak && read -r b _ && read -r c _ && read -r d _; } <<<"$best"
    cmp -s "$work/manager.bin" "$CORVATEL_SFTP_HOME/bench-$mib.exe" || die "(a) did not receive the $mib MiB file whole"
    awk -v m="$mib MiB" -v a="$a" -v b="$b" -v c="$c" -v d="$d" -v p="$peak" \
      'BEGIN { printf "%-8s %10.1f %10.1f %10.1f %10.1f %7.2f %7.2f %7.2f %15.1f\n", m, a, b, c, d, a / b, a / c, d / a, p }'
    rm -f "$CORVATEL_SFTP_HOME/bench-$mib.exe" "$work"/*.bin
  done
  for ((i = 1; i <= 4; i++)); do
    head -c $((64 << 20)) /dev/urandom >"$CORVATEL_SFTP_HOME/bench-$i.exe"
  done
  best=$(sftp_bench_turns sftp_bench_managers sftp_bench_program -- bench-{1..4}.exe)
  { read -r a _ && read -r d _; } <<<"$best"
  printf '%-14s %16s %16s %7s\n' "side by side" "4 x a total MB/s" "d total MB/s" d/a
  awk -v a="$a" -v d="$d" 'BEGIN { printf "%-14s %16.1f %16.1f %7.2f\n", "4 x 64 MiB", a, d, d / a }'
  rm -f "$CORVATEL_SFTP_HOME"/bench-?.exe "$work"/*.bin
  sshd_peer_stop
}
