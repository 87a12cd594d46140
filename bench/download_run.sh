# A whole run over many small setups from the loopback sshd: the real Corvatel.exe with every
# application of a local catalogue ticked, on the download-only road (from OK in the login dialog
# until every row shows "Done.") and on the download-and-install road (until every row shows
# "Installed."; the stand-in setups exit at once and record their own run time, which is taken
# off). The figure that must not grow with the catalogue is the program's time per setup. Each run
# also counts the failed connections and the retries in Corvatel.log.
# Servers: the test peer's password server ("raised": it takes 100 connections not yet logged in
# at once) and its server with OpenSSH's default MaxStartups ("stock", 10:30:100: past 10, it
# drops new ones more and more often), and on request "delayed": the raised server behind the fault
# proxy's link that delays every byte by 400 ms each way.
# Sizes: DOWNLOAD_RUN_BENCH_SIZES (default "100 400"); servers: DOWNLOAD_RUN_BENCH_SERVERS
# (default "raised stock"); roads: DOWNLOAD_RUN_BENCH_ROADS (default "download install").
# shellcheck shell=bash
# shellcheck source-path=SCRIPTDIR source=bench/sftp.sh
source "$CORVATEL_ROOT/bench/sftp.sh"

# Prints "ms own-ms errors retries" of one run of NAMEs on the road of BUTTON to STATUS, given
# seconds a setup at most; ms is "-" for a run that did not end.
download_run_bench_once() {
  local button=$1 status=$2 per=$3 folder=$work/run ms own=0 log
  shift 3
  sftp_bench_start "$folder" "$@"
  # A minute, and the seconds per setup.
  ms=$(SFTP_BENCH_WAIT_MS=$((60000 + $# * per * 1000)) SFTP_BENCH_DRIVER_S=$((120 + $# * per)) \
    sftp_bench_drive $# "$folder" "$button" "$status") || ms=-
  log=$folder/downloads/Corvatel.log
  # A run that did not end says where its rows stood.
  if [[ $ms == - ]]; then
    sftp_bench_drv rows "$SFTP_BENCH_SHEET" 502 | cut -d'|' -f7 | sort | uniq -c >&2
    { grep -aos 'ERROR ([^)]*)' "$log" || true; } | sort | uniq -c >&2
    tail -n 2 "$work/driver.log" >&2
  fi
  sftp_bench_drv kill >/dev/null || true
  wait "$sftp_bench_pid" 2>/dev/null || true
  [[ -f $folder/downloads/SilentSetup.runs ]] &&
    own=$(awk -F'\t' '{ sum += $2 } END { print sum + 0 }' "$folder/downloads/SilentSetup.runs")
  echo "$ms $own $(awk '/ERROR \(/ { e++ } /RETRY Download/ { r++ } END { print e + 0, r + 0 }' "$log" 2>/dev/null ||
    echo 0 0)"
}

bench_download_run() {
  build=$1 work=$WINENV_DIR/download-run-bench
  mkdir -p "$work"
  trap 'sshd_peer_stop; winenv_stop' EXIT
  sshd_peer_start "$WINENV_DIR/peers"
  printf '%-7s %7s %-21s %10s %13s %19s %7s %8s\n' server setups road "total (ms)" "setups' (ms)" \
    "program/setup (ms)" errors retries
  local server port per n i names road button status
  for n in ${DOWNLOAD_RUN_BENCH_SIZES:-100 400}; do
    names=()
    for ((i = 1; i <= n; i++)); do
      names+=("$(printf 'run%04d.exe' "$i")")
      cp "$build/bin/SilentSetup.exe" "$CORVATEL_SFTP_HOME/${names[-1]}"
    done
    for server in ${DOWNLOAD_RUN_BENCH_SERVERS:-raised stock}; do
      per=1
      case $server in
        raised) port=$CORVATEL_SFTP_PORT_PASSWORD ;;
        stock) port=$CORVATEL_SFTP_PORT_STOCK ;;
        # Eight logins at a time, each about 4 s through the link, and the watchdog's restarts.
        delayed) port=$CORVATEL_SFTP_PORT_DELAY per=2 ;;
        *) die "no download-run server \"$server\"" ;;
      esac
      for road in ${DOWNLOAD_RUN_BENCH_ROADS:-download install}; do
        case $road in
          download) road="download only" button=537 status=Done. ;;
          install) road="download and install" button=533 status=Installed. ;;
          *) die "no download-run road \"$road\"" ;;
        esac
        SFTP_BENCH_PORT=$port download_run_bench_once "$button" "$status" "$per" "${names[@]}" |
          awk -v s="$server" -v n="$n" -v road="$road" '$1 == "-" {
              printf "%-7s %7d %-21s %10s %13s %19s %7d %8d\n", s, n, road, "did not end", "", "", $3, $4; next }
            { printf "%-7s %7d %-21s %10d %13d %19.1f %7d %8d\n", s, n, road, $1, $2, ($1 - $2) / n, $3, $4 }'
      done
    done
    rm -f "$CORVATEL_SFTP_HOME"/run*.exe
  done
  sshd_peer_stop
}
