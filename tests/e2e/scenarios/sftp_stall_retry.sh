#!/usr/bin/env bash
# Two stalls on the "Download and Install" road. A's transfer stalls before its first byte: the
# page's watchdog (its real 15 s timer) logs the time-out, aborts the transfer (status 15, then 14
# under the same text), starts it again as attempt #1, and the second transfer brings the whole
# file; the stalled transfer's thread reports nothing more and leaves no temporary file. E's
# transfer stalls after its first megabytes while the server keeps the connection alive: 30 s
# without file data fail it as stalled, the retry question comes, and No installs A alone.
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
# E's setup is large (sparse on the server's side), so its transfer can be caught on the way.
truncate -s 300M "$SERVED/e.exe"

start_corvatel_online
to_install_page "$DOWNLOADS" "$E2E_WORK/programs" A E
drv click "$SHEET" 533 >/dev/null || fail "\"Download and Install\" cannot be pressed"
log_in "$CORVATEL_SFTP_PASSWORD"

# Past 1 MiB of E the server's process that reads e.exe is stopped: no more file data comes, while
# sshd itself goes on sending a keep-alive every 5 s.
end=$(end_in 20)
while before "$end" && (($(stat -c %s "$DOWNLOADS/e.ex_" 2>/dev/null || echo 0) <= 1 << 20)); do sleep 0.02; done
reader=$(find /proc/[0-9]*/fd -lname "$SERVED/e.exe" 2>/dev/null | head -1 | cut -d/ -f3) || true
[[ -n $reader ]] || fail "no server process reads e.exe"
kill -STOP "$reader"
stopped=${EPOCHREALTIME/[.,]/}
on_exit "kill -CONT $reader 2>/dev/null; kill $reader 2>/dev/null || true"

# A's temporary file comes just before its transfer opens the remote file.
end=$(end_in 15)
while before "$end" && [[ ! -e $DOWNLOADS/a.ex_ ]]; do sleep 0.05; done
sleep 1
mv "$E2E_WORK/a.exe" "$SERVED/a.exe"

retry="Some components were not downloaded successfully."
drv wait "$retry" 50000 >/dev/null || fail "no retry question after E stalled"
waited=$(((${EPOCHREALTIME/[.,]/} - stopped) / 100000))
note "the retry question came $((waited / 10)).$((waited % 10)) s after E's server stopped reading"
expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Downloaded.|
0|0|2|E|5.0.0|102.40M|ERROR - Timeout occured: no file data came from the FTP site for 30 seconds.|"
drv answer "$retry" No >/dev/null || fail "the retry question cannot be answered"
expect_eq "the summary" "$(drv answer "There was a problem installing" OK 30000)" \
  "There was a problem installing one or more files.  Please try running Corvatel again.

The following application(s) did not install successfully:

     E"
wait_for_finish
expect_rows "$INSTALL_LIST" "0|0|1|A|1.0.0|0.20M|Installed.|
0|0|2|E|5.0.0|102.40M|Application failed to download or install|"
cmp -s "$DOWNLOADS/a.exe" "$SERVED/a.exe" || fail "a.exe is not the served file"
for name in a.ex_ e.ex_ e.exe; do
  [[ ! -e $DOWNLOADS/$name ]] || fail "$name is left"
done

finish_wizard
expect_log_in_order "$DOWNLOADS" "Begin Download and Install Files
Downloading...:  A
TIMEOUT:  A
Aborting Download...:  A
Aborting Download...:  A
RETRY Download (attempt #1):  A
Preparing to download..:  A
Response File Downloaded.:  A
Downloading...:  A
Downloaded.:  A
Installed.:  A
Finished"
expect_log_in_order "$DOWNLOADS" "Downloading...:  E
ERROR ([RecvSFTP] no file data for 30 seconds: the transfer has stalled.):  E
ERROR - Timeout occured: no file data came from the FTP site for 30 seconds.:  E
Application failed to download or install:  E"
[[ $(program_log "$DOWNLOADS" | grep -c '^TIMEOUT:  A$') == 1 ]] || fail "more than one time-out of A"
note "passed"
