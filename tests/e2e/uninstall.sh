#!/usr/bin/env bash
# Silent install (/S): no page, a balloon announces the end and the program
# ends by itself with the product in place. Then uninstall through the
# installed Uninstall.exe: it relaunches a temporary copy, which shows the
# uninstall page, removes the product on Uninstall and Finish, and arranges
# its own deletion.
. "$(dirname "$0")/lib.sh"
e2e_begin uninstall zh_TW.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"

log "silent install"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup" /S
# Nothing to click: the run, then the balloon for a few seconds.
line=$(ui wait-class tooltips_class32 90000) || fail "no balloon appeared"
expect_eq "balloon text" "$(script_text "$SCRIPT" IDS_SILENT_INSTALL_SUCCESSFULLY)" "${line#* }"
wait_exit "$SETUP_PID" 120
expect_eq "install exit code" 0 "$EXIT_CODE"
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder
ui --any wait-gone 5000 || fail "a dialog or message box is left: $(ui list)"
echo "  ok: no window left"
expect_token_manager

log "Uninstall.exe"
start_program LAUNCHER_PID 'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe'
wait_exit "$LAUNCHER_PID" 60
expect_eq "launcher exit code" 0 "$EXIT_CODE"
wait_dialog
expect_eq "title" "$(script_text "$SCRIPT" IDS_MAIN_UI_UNINSTALL_TITLE)" "$DIALOG_TITLE"
copy=$(ui procs Uninstallation_ | awk '{print $2}')
[[ $copy =~ ^Uninstallation_[0-9A-F]{8}\.exe$ ]] || fail "the running copy is [$copy]"
echo "  ok: the page belongs to $copy"
expect_file "$TEMP_DIR/$copy"
expect_control 1001 IDS_WELCOME_UNINSTALL
expect_control 1004 IDS_BTN_UNINSTALL
expect_control 1003 IDS_BTN_CANCEL
expect_state 1004 "visible=1 enabled=1"
expect_hidden 1002
screenshot "uninstall-$LANG_TAG"

ui click 1004
ui wait-ready 1005 120000 || fail "the Finish button did not become usable"
expect_control 1001 IDS_UNINSTALL_OK
expect_hidden 1004
ui click 1005
ui wait-no-process "$copy" 60000 || fail "$copy did not end"

log "results"
expect_no_path "$dir"
expect_no_path "$DRIVE_C/Program Files (x86)/KOVA"
expect_no_package_folder
ui wait-no-process TokenManager.exe 10000 || fail "the token manager still runs"
pending=$(pending_renames)
if [ -e "$TEMP_DIR/$copy" ]; then
  grep -qiF "$copy" <<<"$pending" || fail "$copy is left and not scheduled for deletion: [$pending]"
  echo "  ok: $copy scheduled for deletion at restart"
else
  echo "  ok: $copy already deleted"
fi
grep -qiF "$copy" <<<"$pending" && echo "  (also listed for deletion at restart)" || true
