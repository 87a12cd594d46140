#!/usr/bin/env bash
# The download-only road over the network: the catalogue and licence from the maker's web site
# (HTTPS on port 443), one application's setup from the download server (SFTP). Cancel in the login
# dialog starts nothing; the dialog refuses a changed host key and a wrong password with their
# texts, logs them and stays open; the right password closes it. The setup arrives under its own
# name only once whole, the row ends "Done.", and the log holds the run's lines in order.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DOWNLOADS=$E2E_WORK/downloads
serve_setups a.exe
start_corvatel_online
to_install_page "$DOWNLOADS" "$E2E_WORK/programs" A
expect_rows "$INSTALL_LIST" "0|0|0|A|1.0.0|0.20M||"

# One component at a time keeps the page's watchdog out of the log.
drv click "$SHEET" 538 >/dev/null || fail "\"Download one component at a time\" cannot be ticked"
# Cancel in the login dialog: nothing starts.
drv click "$SHEET" 537 >/dev/null || fail "\"Download, but do NOT install\" cannot be pressed"
drv wait "$LOGIN_DIALOG" 10000 >/dev/null || fail "no login dialog"
drv click "$LOGIN_DIALOG" Cancel >/dev/null || fail "Cancel cannot be pressed in the login dialog"
drv gone "$LOGIN_DIALOG" 5000 || fail "the login dialog stays after Cancel"
expect_rows "$INSTALL_LIST" "0|0|0|A|1.0.0|0.20M||"

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

expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Done.|" 30
cmp -s "$DOWNLOADS/a.exe" "$SERVED/a.exe" || fail "a.exe is not the served file"
[[ ! -e $DOWNLOADS/a.ex_ ]] || fail "the temporary a.ex_ is left"
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
