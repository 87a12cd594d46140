# A private view of system files for one run. The script re-runs itself in a mount namespace of its
# own (unshare -m), where a file bound over one under /etc (the hosts file with the test peers'
# names, test accounts) changes what the run and its children see and nothing else; the binds end
# with the namespace. Nothing under /etc is edited. Source it, then:
#   namespace_enter "$@"             # first: re-runs the script inside; the outer copy exits with its
#                                    # status after checking /etc/hosts is as it was
#   namespace_bind FILE /etc/NAME    # inside: the run sees FILE as /etc/NAME
#   namespace_hosts DIR ADDRESS NAME...  # inside: NAME... -> ADDRESS through DIR/hosts
# shellcheck shell=bash

# Set in the re-run copy's environment; its children inherit it and stay in the namespace.
NAMESPACE_INSIDE_VAR=CORVATEL_NAMESPACE

namespace_enter() {
  [[ -n ${!NAMESPACE_INSIDE_VAR:-} ]] && return 0
  [[ $EUID -eq 0 ]] || die "the run needs root: it gives its programs their own /etc/hosts in a mount namespace (unshare -m)"
  local why
  why=$(unshare --mount --propagation private true 2>&1) ||
    die "unshare -m is refused here (${why:-no reason given}); the run needs a mount namespace of its own to give its programs the test host names without editing /etc/hosts"
  local hosts_before status=0
  hosts_before=$(mktemp "${TMPDIR:-/tmp}/corvatel-hosts.XXXXXX")
  cp /etc/hosts "$hosts_before"
  # The handlers only keep the outer copy alive until the inner run, which gets the signal too, ends.
  trap : INT TERM
  env "$NAMESPACE_INSIDE_VAR=1" unshare --mount --propagation private -- bash "$0" "$@" || status=$?
  if ! cmp -s "$hosts_before" /etc/hosts; then
    log "/etc/hosts changed while the run was going (it was: $hosts_before):"
    diff "$hosts_before" /etc/hosts >&2 || true
    exit 1
  fi
  rm -f "$hosts_before"
  exit "$status"
}

namespace_bind() {
  local file=$1 target=$2
  [[ -n ${!NAMESPACE_INSIDE_VAR:-} ]] || die "namespace_bind $target outside the run's namespace"
  mount --bind "$file" "$target" || die "cannot bind $file over $target"
}

# The machine's hosts file with one more line, so every other name resolves as before. The names
# are taken out of the machine's lines first: a name with two addresses resolves to either.
namespace_hosts() {
  local dir=$1 address=$2
  shift 2
  mkdir -p "$dir"
  {
    awk -v names=" $* " '
      /^[ \t]*(#|$)/ { print; next }
      {
        line = $0; comment = ""
        if ((hash = index(line, "#")) > 0) { comment = substr(line, hash); line = substr(line, 1, hash - 1) }
        n = split(line, field, /[ \t]+/); kept = ""; hosts = 0
        for (i = 1; i <= n; i++) {
          if (field[i] == "") continue
          if (kept != "" && index(names, " " field[i] " ")) continue
          kept = kept (kept == "" ? "" : " ") field[i]; hosts += kept != field[i]
        }
        if (hosts) print kept (comment == "" ? "" : " " comment)
      }' /etc/hosts
    printf '%s %s\n' "$address" "$*"
  } >"$dir/hosts"
  namespace_bind "$dir/hosts" /etc/hosts
}
