# Catalogue load: CSkelvar::Init on catalogues that catalogue_load/make_catalogue.py writes, one
# process per catalogue, so each peak working set is that load's own (an idle process's is shown
# beside it). The hostile catalogue, the 1 MB note needed 5,000 times, the 1 MB dependency
# attributes copied 2,000 times and the 100,000 additional programs copied 1,000 times are refused:
# their dependencies read "refused"; the one 1 MB start-menu text among 100,000 dependencies loads.
# Steps are the parse's work (nodes walked, dependencies completed).
# shellcheck shell=bash

bench_catalogue_load() {
  local build=$1 work=$WINENV_DIR/catalogue-load
  mkdir -p "$work"
  printf '%-13s %9s %13s %9s %9s %15s %15s\n' shape products dependencies ms steps "peak WS (MiB)" "idle WS (MiB)"
  local shape count figures
  for shape_count in layered:100 layered:500 layered:2000 layered:5000 chain:40 hostile:8 widecycle:100000 bignote:5000 \
    depstartmenu:2000 depminversion:2000 ownnote:100000 emptyexes:1000 shortexes:1000; do
    shape=${shape_count%:*} count=${shape_count#*:}
    python3 "$CORVATEL_ROOT/bench/catalogue_load/make_catalogue.py" "$shape" "$count" "$work/$shape-$count.xml"
    figures=$(wine "$build/bin/CatalogueLoadBench.exe" "Z:$work/$shape-$count.xml" </dev/null) ||
      die "CatalogueLoadBench failed on the $shape catalogue of $count products"
    read -r products dependencies ms steps idle peak <<<"$figures"
    printf '%-13s %9s %13s %9s %9s %15s %15s\n' "$shape" "$products" "$dependencies" "$ms" "$steps" "$peak" "$idle"
  done
}
