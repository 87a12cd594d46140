# Shared by the scripts in scripts/: messages, failure, the repo root and the deps cache.
# shellcheck shell=bash

# shellcheck disable=SC2034  # used by the scripts that source this
CORVATEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CORVATEL_CACHE=${CORVATEL_CACHE:-/var/cache/corvatel}

log() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }
die() { printf '%s: error: %s\n' "${0##*/}" "$*" >&2; exit 1; }

# Configures build/ (or BUILD) the way the test and demo commands share it: they must agree, or each
# switch between them rebuilds everything. Its output goes to stderr.
configure_build() {
  local build=$1 deps_prefix
  deps_prefix=$(bash "$CORVATEL_ROOT/scripts/bootstrap")
  cmake -S "$CORVATEL_ROOT" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$CORVATEL_ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVATEL_KEEP_ASSERTS=ON \
    -DCORVATEL_DEPS_PREFIX="$deps_prefix" >&2
}
