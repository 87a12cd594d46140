# SFTP download from the loopback sshd (password server, tests/e2e/peers/sshd_peer.sh) of 64 and
# 256 MiB files by (a) the program's CFtpMgr and CCrypto, (b) a bare libssh2 loop with the same
# library, block size and socket options, both under wine, and (c) OpenSSH's sftp natively.
# Each figure is the best of five runs (other work on the machine only ever slows a run down);
# the peak working set is (a)'s in that run.
# shellcheck shell=bash
# shellcheck source-path=SCRIPTDIR/.. source=tests/e2e/peers/sshd_peer.sh
source "$CORVATEL_ROOT/tests/e2e/peers/sshd_peer.sh"

SFTP_BENCH_RUNS=5

# Prints "MB/s peak-MiB" of the fastest run of one way of downloading.
sftp_bench_best() {
  local runs=() i
  for ((i = 0; i < SFTP_BENCH_RUNS; i++)); do
    runs+=("$("$@")") || die "SFTP benchmark run failed: $*"
  done
  printf '%s\n' "${runs[@]}" | sort -rn -k1,1 | head -n 1
}

sftp_bench_wine() {
  local figures
  figures=$(wine "$build/bin/SftpBench.exe" "$1" 127.0.0.1 "$CORVATEL_SFTP_PORT_PASSWORD" "$CORVATEL_SFTP_USER" \
    "$CORVATEL_SFTP_PASSWORD" "$2" "Z:$work/$1.bin" </dev/null) || return 1
  awk '{ print $3, $4 }' <<<"$figures"
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
  printf '%-8s %10s %10s %10s %7s %7s %15s\n' size "a MB/s" "b MB/s" "c MB/s" a/b a/c "a peak (MiB)"
  local mib a b c
  for mib in 64 256; do
    head -c $((mib << 20)) /dev/urandom >"$CORVATEL_SFTP_HOME/bench-$mib.bin"
    read -r a peak <<<"$(sftp_bench_best sftp_bench_wine manager "bench-$mib.bin")"
    read -r b _ <<<"$(sftp_bench_best sftp_bench_wine bare "bench-$mib.bin")"
    read -r c _ <<<"$(sftp_bench_best sftp_bench_native "bench-$mib.bin")"
    cmp -s "$work/manager.bin" "$CORVATEL_SFTP_HOME/bench-$mib.bin" || die "(a) did not receive the $mib MiB file whole"
    awk -v m="$mib MiB" -v a="$a" -v b="$b" -v c="$c" -v p="$peak" \
      'BEGIN { printf "%-8s %10.1f %10.1f %10.1f %7.2f %7.2f %15.1f\n", m, a, b, c, a / b, a / c, p }'
    rm -f "$CORVATEL_SFTP_HOME/bench-$mib.bin" "$work"/*.bin
  done
  sshd_peer_stop
}
