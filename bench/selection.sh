# Selection page: the real Corvatel.exe on local catalogues (".XML" argument) that
# selection/make_catalogue.py writes, with the installed versions it names set in the prefix's
# registry. Timed from outside, as a user waits: UiDriver.exe polls the lists and the total until
# they are what the catalogue must give. Columns, in milliseconds:
#   load        CSkelvar::Init alone (CatalogueLoadBench), for comparison
#   wizard up   from the start of the program until every application row is listed
#   installed   from the start until the installed applications and their components are listed
#   select all  from the press of "Select All" until the download list and the total are complete
#   deselect    from the press of "Deselect All" until the download list is empty and the total 0
#   updateall   from the start with "UPDATEALL" until the installed applications are listed
# and the larger peak working set of the two runs. A step that takes longer than
# SELECTION_BENCH_LIMIT seconds is shown as "over N s"; the steps that depend on it are not run.
# SELECTION_BENCH_SIZES gives other catalogue sizes (products).
# shellcheck shell=bash

SELECTION_BENCH_LIMIT=${SELECTION_BENCH_LIMIT:-120}

selection_drv() {
  timeout $((SELECTION_BENCH_LIMIT + 60)) wine "$build/bin/UiDriver.exe" --timeout $((SELECTION_BENCH_LIMIT * 1000)) \
    "$@" </dev/null 2>>"$work/driver.log" | tr -d '\r'
}

selection_now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts the program on the catalogue; SELECTION_START is the moment it was started (Unix time, ms).
selection_start() {
  SELECTION_START=$(selection_now_ms)
  (cd "$build/bin" && exec wine Corvatel.exe "$@" "Z:${work//\//\\}\\catalogue.xml" </dev/null >>"$work/corvatel.log" 2>&1) &
  SELECTION_PID=$!
}

selection_stop() {
  selection_drv kill >/dev/null || true
  wait "$SELECTION_PID" 2>/dev/null || true
}

# One run on the catalogue in $work, which make_catalogue.py wrote; prints its table row.
selection_bench_size() {
  local count=$1 load=$2 sheet="Quendar Corvatel" apps=500 downloads=501 total=514
  local over="over $SELECTION_BENCH_LIMIT s" up installed=- select=- deselect=- updateall peak peak2 moment
  # What the lists must show: APPS, START_ROWS, START_TOTAL ... (make_catalogue.py).
  # shellcheck source=/dev/null
  source "$work/expected.sh"
  selection_start
  up=$over
  # shellcheck disable=SC2153
  if moment=$(selection_drv waitlist "$sheet" "$apps" "$APPS"); then
    up=$((moment - SELECTION_START)) installed=$over
    if moment=$(selection_drv waitlist "$sheet" "$downloads" "$START_ROWS" "$total" "$START_TOTAL"); then
      installed=$((moment - SELECTION_START)) select=$over
      if select=$(selection_drv --press "$sheet" 546 waitlist "$sheet" "$downloads" "$ALL_ROWS" "$total" "$ALL_TOTAL"); then
        deselect=$(selection_drv --press "$sheet" 545 waitlist "$sheet" "$downloads" 0 "$total" \
          "Total Download Size: 0.00 MB") || deselect=$over
      else
        select=$over
      fi
    fi
  fi
  peak=$(selection_drv peak) || peak=0
  selection_stop

  selection_start UPDATEALL
  updateall=$over
  moment=$(selection_drv waitlist "$sheet" "$downloads" "$START_ROWS" "$total" "$UPDATE_TOTAL") &&
    updateall=$((moment - SELECTION_START))
  peak2=$(selection_drv peak) || peak2=0
  selection_stop
  printf '%8s %6s %8s %10s %12s %12s %10s %12s %15s\n' "$count" "$APPS" "$load" "$up" "$installed" "$select" \
    "$deselect" "$updateall" "$(awk -v a="$peak" -v b="$peak2" 'BEGIN { print (a > b ? a : b) }')"
}

bench_selection() {
  build=$1 work=$WINENV_DIR/selection-bench
  local count load figures
  printf '%8s %6s %8s %10s %12s %12s %10s %12s %15s\n' products apps load "wizard up" installed "select all" \
    deselect updateall "peak WS (MiB)"
  for count in ${SELECTION_BENCH_SIZES:-500 2000 5000}; do
    rm -rf "$work"
    python3 "$CORVATEL_ROOT/bench/selection/make_catalogue.py" "$count" "$work"
    wine reg delete 'HKLM\SOFTWARE\Quendar Bench' /f </dev/null >/dev/null 2>&1 || true
    wine reg import "Z:${work//\//\\}\\installed.reg" </dev/null >/dev/null 2>&1 ||
      die "the installed versions of the $count-product catalogue cannot be set"
    figures=$(wine "$build/bin/CatalogueLoadBench.exe" "Z:$work/catalogue.xml" </dev/null) ||
      die "CatalogueLoadBench failed on the $count-product catalogue"
    read -r _ _ load _ <<<"$figures"
    selection_bench_size "$count" "$load"
  done
  wine reg delete 'HKLM\SOFTWARE\Quendar Bench' /f </dev/null >/dev/null 2>&1 || true
}
