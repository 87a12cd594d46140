#!/usr/bin/env bash
# A transfer that stalls before its first byte: the page's watchdog (its real 15 s timer) logs the
# time-out, aborts the transfer (status 15, then 14 under the same text), starts it again as
# attempt #1, and the second transfer brings the whole file. The stalled transfer's thread reports
# nothing more and leaves no temporary file.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DOWNLOADS=$E2E_WORK/downloads
serve_setups
# The server's open of a FIFO waits for a writer that never comes: the first transfer stalls
# before its first byte. Once it waits there, the real file takes the FIFO's place for the next
# transfer. At exit a writer lets the waiting server go (through a second name of the FIFO).
mkfifo -m 644 "$SERVED/a.exe"
ln "$SERVED/a.exe" "$E2E_WORK/fifo"
on_exit "timeout 5 bash -c 'exec 3>\"$E2E_WORK/fifo\"' || true"
cp "$CORVATEL_BIN/SilentSetup.exe" "$E2E_WORK/a.exe"

start_corvatel_online
to_install_page "$DOWNLOADS" "$E2E_WORK/programs" A
drv click "$SHEET" 537 >/dev/null || fail "\"Download, but do NOT install\" cannot be pressed"
log_in "$CORVATEL_SFTP_PASSWORD"
# "Downloading..." comes as the transfer opens the remote file.
for ((i = 0; i < 150; i++)); do
  [[ $(rows "$INSTALL_LIST") == *"|Downloading...|"* ]] && break
  sleep 0.1
done
sleep 1
mv "$E2E_WORK/a.exe" "$SERVED/a.exe"
expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Done.|" 35
cmp -s "$DOWNLOADS/a.exe" "$SERVED/a.exe" || fail "a.exe is not the served file"
[[ ! -e $DOWNLOADS/a.ex_ ]] || fail "a temporary a.ex_ is left"

finish_wizard
expect_log_in_order "$DOWNLOADS" "Begin Download Files
Downloading...:  A
TIMEOUT:  A
Aborting Download...:  A
Aborting Download...:  A
RETRY Download (attempt #1):  A
Preparing to download..:  A
Response File Downloaded.:  A
Downloading...:  A
Downloaded.:  A
Done.:  A
Finished"
[[ $(program_log "$DOWNLOADS" | grep -c '^TIMEOUT:') == 1 ]] || fail "more than one time-out"
note "passed"
