#!/usr/bin/env bash
# The selection page on a local catalogue (".XML" argument) on a PC with Studio Suite up to date,
# Device Manager out of date and Firmware Updater missing (registry values the catalogue names):
# the installed applications are ticked and marked, their components listed by class; ticking the
# missing application adds its components ticked and locked, and the total grows by their sizes.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

INSTALLED='HKLM\SOFTWARE\Quendar Test\E2E'
on_exit "wine reg delete 'HKLM\\SOFTWARE\\Quendar Test' /f </dev/null >/dev/null 2>&1 || true"
set_registry_value "$INSTALLED\\Studio Suite" Version REG_SZ 3.4.0
set_registry_value "$INSTALLED\\Audio Engine" Version REG_SZ 2.1.0
set_registry_value "$INSTALLED\\USB Driver" Version REG_SZ 1.8.2
set_registry_value "$INSTALLED\\Device Manager" Version REG_SZ 5.1.0

cp "$CORVATEL_FIXTURES/catalogue-selection.xml" "$E2E_WORK/catalogue.xml"
start_corvatel "$(winpath "$E2E_WORK/catalogue.xml")"
drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"

# Marks: 1 up to date, 2 update available, none for what is missing.
expect_rows "$APP_LIST" "1|0|2|Quendar Device Manager|5.2.0
0|0|0|Quendar Firmware Updater|1.0.4
1|0|1|Quendar Studio Suite|3.4.0"
expect_rows "$DOWNLOAD_LIST" "0|0|1|Quendar USB Driver|1.8.2|5.73M
1|0|2|Quendar Device Manager|5.2.0|49.87M
0|0|1|Quendar Studio Suite|3.4.0|88.37M"
expect_eq "total" "$(drv text "$SHEET" "$TOTAL_SIZE")" "Total Download Size: 48.70 MB"

tick_application "Quendar Firmware Updater"
expect_rows "$DOWNLOAD_LIST" "0|0|1|Quendar USB Driver|1.8.2|5.73M
1|0|2|Quendar Device Manager|5.2.0|49.87M
0|0|1|Quendar Studio Suite|3.4.0|88.37M
1|1|3|Quendar Common Runtime|1.2.0|3.17M
1|1|3|Quendar Firmware Updater|1.0.4|8.09M"
expect_eq "total" "$(drv text "$SHEET" "$TOTAL_SIZE")" "Total Download Size: 59.70 MB"

cancel_wizard
note "passed"
