# Loads the machine the way a busy build machine is loaded, for the stress run: every core compiling
# (this tree, cleaned and rebuilt in a scratch folder, over and over), a disk writer and reader, and
# a memory copier. Source it (after common.sh), then:
#   load_start DIR     # DIR is the scratch folder; configures there, then loads in the background
#   load_stop          # ends the load; it also ends by itself once the shell that started it is gone
# shellcheck shell=bash

LOAD_PID=""

load_start() {
  local dir=$1 owner=$$ cores
  cores=$(nproc)
  mkdir -p "$dir"
  configure_build "$dir/build" >"$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log" >&2; die "the load's scratch build does not configure in $dir"; }
  # A session of its own, so that one signal to its group ends every part of it.
  # shellcheck disable=SC2016  # the loops' variables are the inner shell's
  setsid bash -c '
    dir=$1 owner=$2 cores=$3
    echo $$ >"$dir/load.pid"
    # The compilers: a whole rebuild of the tree on every core, again and again.
    while kill -0 "$owner" 2>/dev/null; do
      cmake --build "$dir/build" --target clean >/dev/null 2>&1 || true
      cmake --build "$dir/build" -j"$cores" >>"$dir/build.log" 2>&1 || true
    done &
    # The disk: 256 MiB written through to the device and read back past the page cache.
    while kill -0 "$owner" 2>/dev/null; do
      dd if=/dev/zero of="$dir/disk.bin" bs=1M count=256 conv=fsync status=none 2>/dev/null || true
      dd if="$dir/disk.bin" of=/dev/null bs=1M iflag=direct status=none 2>/dev/null ||
        cat "$dir/disk.bin" >/dev/null
    done &
    # The memory: a 256 MiB buffer copied over and over.
    python3 -c "
import os, sys
owner = int(sys.argv[1])
block = bytearray(256 << 20)
while True:
    try:
        os.kill(owner, 0)
    except OSError:
        break
    block[:] = bytes(block)
" "$owner" &
    # The owner gone (even killed outright), the whole group goes.
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    kill -- -$$
  ' load "$dir" "$owner" "$cores" </dev/null >/dev/null 2>&1 &
  local i
  for ((i = 0; i < 100; i++)); do
    [[ -s $dir/load.pid ]] && break
    sleep 0.05
  done
  LOAD_PID=$(<"$dir/load.pid") || die "the load did not start"
}

load_stop() {
  [[ -n $LOAD_PID ]] || return 0
  kill -- -"$LOAD_PID" 2>/dev/null || true
  local i
  for ((i = 0; i < 100; i++)); do
    kill -0 -- -"$LOAD_PID" 2>/dev/null || break
    sleep 0.1
  done
  LOAD_PID=""
}
