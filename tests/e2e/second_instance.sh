#!/usr/bin/env bash
# Leaving from the welcome page, and a second setup while the first waits
# there. Escape does nothing; the second shows IDS_INSTANCE_EXISTED in a
# message box and ends with 1618, and so does a /QUIET one without the box;
# the first is unaffected and Cancel ends it without installing, and so does
# the close box (which only a running install ignores).
. "$(dirname "$0")/lib.sh"
e2e_begin second_instance zh_CN.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)

dir="$DRIVE_C/$INSTALL_DIR_REL"

start_program FIRST_PID "$setup"
wait_dialog
log "Escape on the welcome page"
ui key escape
ui sleep 1500
still_running "$FIRST_PID" || fail "Escape ended the setup"
ui wait-window '*' 1000 >/dev/null || fail "Escape closed the dialog"

log "a second setup"
start_program SECOND_PID "$setup"
line=$(ui --msgbox wait-window '*' 60000) || fail "no message box from the second setup"
expect_eq "message box title" "$(script_text "$SCRIPT" IDS_MAIN_UI_INSTALL_TITLE)" "${line#* }"
expect_msgbox_text IDS_INSTANCE_EXISTED
# Escape closes a message box: also proof that the keys cx_uiauto sends arrive
# (so the dialog ignored the one above).
ui --msgbox key escape
wait_exit "$SECOND_PID" 30
expect_eq "second setup's exit code (another setup runs)" 1618 "$EXIT_CODE"
ui --msgbox wait-gone 5000 || fail "the message box is still there"

log "a quiet second setup: no box, its own exit code"
run_quiet 60 "$setup" /QUIET
expect_eq "quiet second setup's exit code" 1618 "$EXIT_CODE"
expect_no_window_seen

still_running "$FIRST_PID" || fail "the first setup ended"
expect_control 1001 IDS_WELCOME_INSTALL
expect_state 1002 "visible=1 enabled=1"
expect_eq "package folders while the first runs" 1 "$(package_folders)"
ui click 1003
wait_exit "$FIRST_PID" 30
expect_eq "first setup's exit code (cancelled)" 1602 "$EXIT_CODE"
expect_no_path "$dir"
expect_no_package_folder

log "close box"
start_program SETUP_PID "$setup"
wait_dialog
ui close
wait_exit "$SETUP_PID" 30
expect_eq "exit code after the close box" 1602 "$EXIT_CODE"
expect_no_path "$dir"
expect_no_package_folder
