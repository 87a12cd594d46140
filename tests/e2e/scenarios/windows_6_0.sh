#!/usr/bin/env bash
# On Windows 6.0 the status lines name the version and edition instead of the WMI caption, and the
# UAC text follows the EnableLUA policy. Wine reports 6.0 to Corvatel.exe alone through its
# AppDefaults; both registry values are put back afterwards.
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

UAC_POLICY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'
USER_PREFIX="Windows User Name: $(windows_user) (Admin).  UAC: "

make_install_folder "$E2E_WORK/set" catalogue-selection.xml

run_as() {
  local version=$1 lua=$2 windows_line=$3 uac=$4
  note "Windows version \"$version\", EnableLUA=$lua"
  set_registry_value "$APP_DEFAULTS" Version REG_SZ "$version"
  set_registry_value "$UAC_POLICY" EnableLUA REG_DWORD "$lua"
  start_corvatel "/INSTALL:$(winpath "$E2E_WORK/set")"
  drv wait "$SHEET" 30000 >/dev/null || fail "the wizard did not open"
  expect_header_lines "$windows_line" "$USER_PREFIX$uac"
  tick_application "Quendar Studio Suite"
  next_page 1 3
  expect_header_lines "$windows_line" "$USER_PREFIX$uac"
  cancel_wizard
}

# Wine's workstation product type has no Windows 6.0 edition name: the name and a trailing blank.
run_as vista 1 "Windows Vista " Enabled
# Its server product type is "Standard Server".
run_as win2008 0 "Windows Vista Server Standard Edition (full installation)" Disabled
note "passed"
