# Install phase: the "INSTALL:" road over a folder of 20 stand-in setups that exit at once, timed
# from the press of "Install" until the wizard offers Finish (the setups have run and been judged).
# The setups record their own run time, from their process's creation to their exit; the rest is
# the program's overhead: starting each setup, waiting for it, reading its files, the log and the list.
# shellcheck shell=bash

bench_install_phase() {
  local build=$1 work=$WINENV_DIR/install-phase setups=20 runs=3
  local sheet="Quendar Corvatel" run i total own
  drv_bench() { timeout 120 wine "$build/bin/UiDriver.exe" "$@" </dev/null 2>>"$work/driver.log" | tr -d '\r'; }
  printf '%4s %7s %12s %15s %22s\n' run setups "total (ms)" "setups' (ms)" "overhead/setup (ms)"
  for ((run = 1; run <= runs; run++)); do
    rm -rf "$work"
    mkdir -p "$work/set"
    {
      echo '<?xml version="1.0"?>'
      echo '<Products>'
      for ((i = 1; i <= setups; i++)); do
        printf '  <Product Id="%d" Version="1.0.%d"><Name>Quendar Bench %02d</Name><Download>Bench%02d.exe</Download>' \
          $((1000 + i)) "$i" "$i" "$i"
        printf '<InstallType>1</InstallType><InstallFolder>Bench\\%02d</InstallFolder>' "$i"
        printf '<VersionPath registry="yes">HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar Bench\\%02d\\InstallDir</VersionPath></Product>\n' "$i"
        cp "$build/bin/SilentSetup.exe" "$work/set/$(printf 'Bench%02d.exe' "$i")"
      done
      echo '</Products>'
    } >"$work/set/CorvatelSFTP.xml"
    (cd "$build/bin" && exec wine Corvatel.exe "/INSTALL:Z:${work//\//\\}\\set" </dev/null >"$work/corvatel.log" 2>&1) &
    local pid=$!
    drv_bench wait "$sheet" 60000 >/dev/null || die "the wizard did not open"
    drv_bench click "$sheet" 546 >/dev/null || die "\"Select All\" cannot be pressed"
    drv_bench click "$sheet" "Next >" >/dev/null && sleep 1 && drv_bench click "$sheet" 508 >/dev/null &&
      sleep 1 && drv_bench click "$sheet" "Next >" >/dev/null && sleep 1 || die "the install page was not reached"
    total=$(drv_bench clickwait "$sheet" 533 Finish 120000) || die "the installs did not finish"
    drv_bench click "$sheet" Finish >/dev/null || true
    wait "$pid" 2>/dev/null || true
    [[ $(wc -l <"$work/set/SilentSetup.runs") -eq $setups ]] || die "not every setup ran once"
    own=$(awk -F'\t' '{ sum += $2 } END { print sum }' "$work/set/SilentSetup.runs")
    awk -v run="$run" -v n="$setups" -v total="$total" -v own="$own" \
      'BEGIN { printf "%4d %7d %12d %15d %22.1f\n", run, n, total, own, (total - own) / n }'
  done
  rm -rf "$WINEPREFIX/drive_c/Program Files/Quendar/Bench"
}
