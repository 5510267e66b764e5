#!/usr/bin/env bash
# The sample product's registry end to end: after a silent install the
# provider settings (both views), the registered COM class and the uninstall
# entry are there, and Wine's own list of programs shows the entry; a setup
# run again over the same or a newer version only says so and ends; the
# uninstall removes all of it.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
e2e_begin registry en_US.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"
version=$(xmllint --xpath 'string(/Config/SetupInfo/Version)' "$SCRIPT")

log "silent install"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup" /S
wait_exit "$SETUP_PID" 120
expect_eq "install exit code" 0 "$EXIT_CODE"
expect_file "$dir/CorvexaProvider.dll"
expect_sample_registry_installed "$version"
listed=$(wine uninstaller --list 2>/dev/null | tr -d '\r')
grep -qF "|||Corvexa" <<<"$listed" || fail "wine uninstaller --list does not show Corvexa: [$listed]"
echo "  ok: wine uninstaller --list shows Corvexa"

log "the same version again"
start_program AGAIN_PID "$setup"
ui --msgbox wait-window '*' 60000 >/dev/null || fail "no message box from the second install"
want=$(script_text "$SCRIPT" IDS_INSTAL_EQUAL_WARNING)
ui --msgbox dump | grep -qF "text=$want" || fail "the message box does not say [$want]: $(ui --msgbox dump)"
echo "  ok: the message box says [$want]"
ui --msgbox key escape
wait_exit "$AGAIN_PID" 30
expect_eq "second setup's exit code" 1638 "$EXIT_CODE"
expect_eq "package folders left" 0 "$(package_folders)"

log "a newer version installed"
wine reg add "$CX_UNINSTALL_KEY" /v DisplayVersion /d 1.0.1.0 /f >/dev/null 2>&1 ||
  fail "could not raise the installed version"
start_program NEWER_PID "$setup"
ui --msgbox wait-window '*' 60000 >/dev/null || fail "no message box about the newer version"
want=$(script_text "$SCRIPT" IDS_INSTAL_HIGHER_WARNING)
ui --msgbox dump | grep -qF "text=$want" || fail "the message box does not say [$want]: $(ui --msgbox dump)"
echo "  ok: the message box says [$want]"
ui --msgbox key escape
wait_exit "$NEWER_PID" 30
expect_eq "third setup's exit code" 1638 "$EXIT_CODE"
wine reg add "$CX_UNINSTALL_KEY" /v DisplayVersion /d "$version" /f >/dev/null 2>&1

log "uninstall"
ui wait-process TokenManager.exe 20000 || true
start_program LAUNCHER_PID 'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe'
wait_exit "$LAUNCHER_PID" 60
wait_dialog
copy=$(ui procs Uninstallation_ | awk '{print $2}')
ui click 1004
ui wait-ready 1005 120000 || fail "the uninstall did not finish"
expect_control 1001 IDS_UNINSTALL_OK
ui click 1005
ui wait-no-process "$copy" 60000 || fail "$copy did not end"
expect_no_path "$dir"
expect_sample_registry_removed
listed=$(wine uninstaller --list 2>/dev/null | tr -d '\r')
if grep -qF "|||Corvexa" <<<"$listed"; then fail "wine uninstaller --list still shows Corvexa"; fi
echo "  ok: wine uninstaller --list no longer shows Corvexa"
