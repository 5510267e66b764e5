#!/usr/bin/env bash
# Leaving from the welcome page: Escape does nothing, Cancel ends the program
# without installing, and so does the close box (which only a running
# install ignores).
. "$(dirname "$0")/lib.sh"
e2e_begin welcome_page_exits en_US.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)

log "Escape, then Cancel"
start_program SETUP_PID "$setup"
wait_dialog
ui key escape
ui sleep 1500
still_running "$SETUP_PID" || fail "Escape ended the setup"
ui wait-window '*' 1000 >/dev/null || fail "Escape closed the dialog"
expect_control 1001 IDS_WELCOME_INSTALL
ui click 1003
wait_exit "$SETUP_PID" 30
expect_eq "exit code after Cancel" 1602 "$EXIT_CODE"
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
