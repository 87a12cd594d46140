#!/usr/bin/env bash
# The download-only road over the network: the catalogue and licence from the maker's web site
# (HTTPS on port 443), two applications' setups from the download server (SFTP). Cancel in the
# login dialog starts nothing; the dialog refuses a changed host key and a wrong password with their
# texts, logs them and stays open; the right password closes it. While E's large setup arrives its
# row shows the megabytes grow. The setups arrive under their own names only once whole, the rows
# end "Done.", and the log holds the run's lines in order.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DOWNLOADS=$E2E_WORK/downloads
serve_setups a.exe
# E's setup is large (sparse on the server's side), so its transfer can be held and let go.
truncate -s 300M "$SERVED/e.exe"

start_corvatel_online
to_install_page "$DOWNLOADS" "$E2E_WORK/programs" A E
expect_rows "$INSTALL_LIST" "0|0|0|A|1.0.0|0.20M||
0|0|0|E|5.0.0|102.40M||"

# One component at a time keeps the page's watchdog out of the log.
drv click "$SHEET" 538 >/dev/null || fail "\"Download one component at a time\" cannot be ticked"
# Cancel in the login dialog: nothing starts.
drv click "$SHEET" 537 >/dev/null || fail "\"Download, but do NOT install\" cannot be pressed"
drv wait "$LOGIN_DIALOG" 10000 >/dev/null || fail "no login dialog"
drv click "$LOGIN_DIALOG" Cancel >/dev/null || fail "Cancel cannot be pressed in the login dialog"
drv gone "$LOGIN_DIALOG" 5000 || fail "the login dialog stays after Cancel"
expect_rows "$INSTALL_LIST" "0|0|0|A|1.0.0|0.20M||
0|0|0|E|5.0.0|102.40M||"

drv click "$SHEET" 537 >/dev/null || fail "\"Download, but do NOT install\" cannot be pressed again"
# Another key pinned for the server: refused, shown and logged, and the dialog stays open.
pin="127.0.0.1:$CORVATEL_SFTP_PORT_PASSWORD"
wine reg add "$PROGRAM_KEY\\HostKeys" /v "$pin" /d "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA" /f \
  </dev/null >/dev/null 2>&1 || fail "the other host key cannot be pinned"
refusal="Host key for 127.0.0.1 has changed ($CORVATEL_SFTP_HOSTKEY). The download was refused to protect this computer."
log_in "$CORVATEL_SFTP_PASSWORD"
expect_eq "the host-key refusal" "$(drv answer "Host key for" OK 15000)" "$refusal"
wine reg delete "$PROGRAM_KEY\\HostKeys" /v "$pin" /f </dev/null >/dev/null 2>&1 || fail "the pin cannot be removed"
log_in wrong-password
expect_eq "the refusal" "$(drv answer "Authentication by" OK 15000)" "Authentication by password failed."
drv wait "$LOGIN_DIALOG" 0 >/dev/null || fail "the login dialog closed after a wrong password"
expect_eq "the user name kept" "$(drv text "$LOGIN_DIALOG" "$LOGIN_USER_EDIT")" "$CORVATEL_SFTP_USER"
log_in "$CORVATEL_SFTP_PASSWORD"
drv gone "$LOGIN_DIALOG" 15000 || fail "the login dialog stays after the right password"

# E's transfer moves only in short bursts: the server's process of the session is stopped and let go
# on. Its row, read between the bursts, shows the megabytes received, and more the second time.
end=$(end_in 30)
while before "$end" && [[ $(rows "$INSTALL_LIST") != *"|E|5.0.0|102.40M|Downloading..."* ]]; do sleep 0.1; done
listener=$(<"${CORVATEL_SFTP_HOME%/*}/sshd_password.pid")
session=$(pgrep -n -P "$(pgrep -n -P "$listener")") || fail "no session process serves E's transfer"
kill -STOP "$session"
on_exit "kill -CONT $session 2>/dev/null || true"
e_progress() {
  local after=$1 end text=""
  end=$(end_in 20)
  while before "$end"; do
    kill -CONT "$session" && sleep 0.2 && kill -STOP "$session"
    sleep 1.2
    text=$(rows "$INSTALL_LIST" | sed -n 's/^[0-9|]*|E|5\.0\.0|102\.40M|\(.*\)|$/\1/p') || true
    if [[ $text =~ ^Downloading\.\.\.\ [0-9]+%\ \ \ \(([0-9]+\.[0-9]{2})M\ of\ 102\.00M\)$ ]] &&
      ((10#${BASH_REMATCH[1]/./} > 10#${after/./})); then
      printf '%s\n' "$text"
      return 0
    fi
  done
  fail "E's row does not show more than ${after}M received; it reads \"$text\""
}
first=$(e_progress 0.00)
note "E's row, held after a burst: $first"
[[ $first =~ \(([0-9.]+)M ]]
second=$(e_progress "${BASH_REMATCH[1]}")
note "E's row, held after more bursts: $second"
kill -CONT "$session"

expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Done.|
0|0|1|E|5.0.0|102.40M|Done.|" 45
cmp -s "$DOWNLOADS/a.exe" "$SERVED/a.exe" || fail "a.exe is not the served file"
cmp -s "$DOWNLOADS/e.exe" "$SERVED/e.exe" || fail "e.exe is not the served file"
[[ ! -e $DOWNLOADS/a.ex_ && ! -e $DOWNLOADS/e.ex_ ]] || fail "a temporary file is left"
expect_eq "the download folder in the registry" \
  "$(wine reg query "$PROGRAM_KEY" /v Download </dev/null 2>/dev/null | tr -d '\r' | awk '/Download/ {print $3}')" \
  "$(winpath "$DOWNLOADS")"

finish_wizard
expect_log_in_order "$DOWNLOADS" "Begin Download Files
Begin Download Files
ERROR ($refusal)
ERROR (Authentication by password failed.)
Preparing to download..:  A
Response File Downloaded.:  A
Downloading...:  A
Downloaded.:  A
Done.:  A
Finished"
note "passed"
