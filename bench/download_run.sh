# A whole run over many small setups from the loopback sshd: the real Corvatel.exe with every
# application of a local catalogue ticked, on the download-only road (from OK in the login dialog
# until every row shows "Done.") and on the download-and-install road (until every row shows
# "Installed."; the stand-in setups exit at once and record their own run time, which is taken
# off). The figure that must not grow with the catalogue is the program's time per setup.
# Sizes: DOWNLOAD_RUN_BENCH_SIZES (default "100 400").
# shellcheck shell=bash
# shellcheck source-path=SCRIPTDIR source=bench/sftp.sh
source "$CORVATEL_ROOT/bench/sftp.sh"

# Prints "ms own-ms" of one run of NAMEs on the road of BUTTON to STATUS.
download_run_bench_once() {
  local button=$1 status=$2 folder=$work/run ms own=0
  shift 2
  sftp_bench_start "$folder" "$@"
  # A minute, and a second per setup.
  ms=$(SFTP_BENCH_WAIT_MS=$((60000 + $# * 1000)) SFTP_BENCH_DRIVER_S=$((120 + $# * 1)) \
    sftp_bench_drive $# "$folder" "$button" "$status") || ms=""
  # A run that did not end says where its rows stood.
  if [[ -z $ms ]]; then
    sftp_bench_drv rows "$SFTP_BENCH_SHEET" 502 | cut -d'|' -f7 | sort | uniq -c >&2
    grep -aos 'ERROR ([^)]*)' "$folder/downloads/Corvatel.log" | sort | uniq -c >&2
    tail -n 2 "$work/driver.log" >&2
  fi
  sftp_bench_drv kill >/dev/null || true
  wait "$sftp_bench_pid" 2>/dev/null || true
  [[ -n $ms ]] || return 1
  [[ -f $folder/downloads/SilentSetup.runs ]] &&
    own=$(awk -F'\t' '{ sum += $2 } END { print sum + 0 }' "$folder/downloads/SilentSetup.runs")
  echo "$ms $own"
}

bench_download_run() {
  build=$1 work=$WINENV_DIR/download-run-bench
  mkdir -p "$work"
  trap 'sshd_peer_stop; winenv_stop' EXIT
  sshd_peer_start "$WINENV_DIR/peers"
  printf '%7s %-18s %10s %13s %15s\n' setups road "total (ms)" "setups' (ms)" "program/setup (ms)"
  local n i names road button status figures
  for n in ${DOWNLOAD_RUN_BENCH_SIZES:-100 400}; do
    names=()
    for ((i = 1; i <= n; i++)); do
      names+=("$(printf 'run%04d.exe' "$i")")
      cp "$build/bin/SilentSetup.exe" "$CORVATEL_SFTP_HOME/${names[-1]}"
    done
    for road in "download only:537:Done." "download and install:533:Installed."; do
      IFS=: read -r road button status <<<"$road"
      if ! figures=$(download_run_bench_once "$button" "$status" "${names[@]}"); then
        printf '%7d %-18s %10s\n' "$n" "$road" "did not end"
        continue
      fi
      awk -v n="$n" -v road="$road" -v f="$figures" 'BEGIN { split(f, v, " ");
        printf "%7d %-18s %10d %13d %15.1f\n", n, road, v[1], v[2], (v[1] - v[2]) / n }'
    done
    rm -f "$CORVATEL_SFTP_HOME"/run*.exe
  done
  sshd_peer_stop
}
