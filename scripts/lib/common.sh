# Shared by the scripts in scripts/: messages, failure, the repo root and the deps cache.
# shellcheck shell=bash

# shellcheck disable=SC2034  # used by the scripts that source this
CORVATEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CORVATEL_CACHE=${CORVATEL_CACHE:-/var/cache/corvatel}

log() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }
die() { printf '%s: error: %s\n' "${0##*/}" "$*" >&2; exit 1; }
