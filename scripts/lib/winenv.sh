# A Wine prefix and a virtual X display of their own for one run (tests, demo), so no registry
# state or window outlives the run. Source it, then:
#   trap winenv_stop EXIT
#   winenv_start              # display, fresh prefix; exports WINEPREFIX, DISPLAY and the WINE* settings;
#                             # the run's folder is WINENV_DIR (made here unless the caller made it)
#   ... set up the prefix (winenv_run runs a Windows program) ...
#   winenv_start_services     # before the first program whose output someone reads
# shellcheck shell=bash

WINENV_DIR=""
WINENV_XVFB_PID=""

winenv_make_dir() {
  WINENV_DIR=$(mktemp -d "${TMPDIR:-/tmp}/corvatel-wine.XXXXXX")
}

winenv_start() {
  [[ -n $WINENV_DIR ]] || winenv_make_dir
  export WINEPREFIX=$WINENV_DIR/prefix WINEARCH=win64 WINEDEBUG=-all
  # No prompts to install Mono or Gecko.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  winenv_start_display
  mkdir "$WINEPREFIX"
  # Persistent from the start, so the services wineboot starts live until winenv_stop.
  wineserver -p </dev/null >/dev/null 2>&1 || die "wineserver does not start in $WINEPREFIX"
  wineboot -i </dev/null >"$WINENV_DIR/wineboot.log" 2>&1 ||
    { cat "$WINENV_DIR/wineboot.log" >&2; die "wineboot -i failed in $WINEPREFIX"; }
}

# Xvfb picks a free display number itself and writes it to the given descriptor.
winenv_start_display() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$WINENV_DIR/display" </dev/null >"$WINENV_DIR/xvfb.log" 2>&1 &
  WINENV_XVFB_PID=$!
  local i
  for ((i = 0; i < 200; i++)); do
    [[ -s $WINENV_DIR/display ]] && break
    kill -0 "$WINENV_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [[ ! -s $WINENV_DIR/display ]]; then
    cat "$WINENV_DIR/xvfb.log" >&2
    die "Xvfb did not start"
  fi
  DISPLAY=":$(<"$WINENV_DIR/display")"
  export DISPLAY
}

# Wine's background services inherit the output of the process that starts them; started from
# a detached process they cannot hold a reader's pipe (ctest's) open after a program ends.
winenv_start_services() {
  wineserver -p </dev/null >/dev/null 2>&1 || true    # already running unless set-up stopped it
  wine cmd /c exit </dev/null >/dev/null 2>&1 || die "wine does not start programs in $WINEPREFIX"
}

# Runs a Windows program in the prefix during set-up; its output goes to a log that is shown
# when it fails.
winenv_run() {
  local log=$WINENV_DIR/setup.log
  printf '$ wine %s\n' "$*" >>"$log"
  wine "$@" </dev/null >>"$log" 2>&1 || { cat "$log" >&2; die "${1##*/} failed in $WINEPREFIX"; }
}

# Ends the prefix's processes; the next program starts a new server that reads the registry anew.
winenv_stop_server() {
  wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}

winenv_stop() {
  if [[ -n $WINENV_DIR && -d ${WINEPREFIX:-} ]]; then
    winenv_stop_server
  fi
  if [[ -n $WINENV_XVFB_PID ]]; then
    kill "$WINENV_XVFB_PID" 2>/dev/null || true
    wait "$WINENV_XVFB_PID" 2>/dev/null || true
    WINENV_XVFB_PID=""
  fi
  if [[ -n $WINENV_DIR ]]; then
    rm -rf "$WINENV_DIR"
    WINENV_DIR=""
  fi
}
