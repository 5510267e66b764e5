#!/usr/bin/env bash
# Interactive install of the sample product in one language: the welcome
# page's texts, Install, the finished page, Finish; then the installed files,
# the started token manager and no package folder left behind.
# Usage: install.sh LANG (e.g. zh_CN.UTF-8)
. "$(dirname "$0")/lib.sh"
e2e_begin "install-${1%%.*}" "$1"
SCRIPT=$CX_SAMPLE_SCRIPT

setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup"
wait_dialog

log "welcome page"
expect_eq "title" "$(script_text "$SCRIPT" IDS_MAIN_UI_INSTALL_TITLE)" "$DIALOG_TITLE"
expect_control 1001 IDS_WELCOME_INSTALL
expect_control 1002 IDS_BTN_INSTALL
expect_control 1003 IDS_BTN_CANCEL
expect_state 1002 "visible=1 enabled=1"
expect_state 1003 "visible=1 enabled=1"
expect_hidden 1004
expect_hidden 1005
expect_hidden 1008
# Let the logo paint before the picture is taken.
ui sleep 500
screenshot "welcome-$LANG_TAG"

log "install"
ui click 1002
ui wait-ready 1005 120000 || fail "the Finish button did not become usable"
expect_control 1001 IDS_INSTALL_OK
expect_control 1005 IDS_BTN_FININSH
expect_hidden 1002
expect_hidden 1003
expect_eq "progress bar shown" visible=1 "$(ui state 1008 | cut -d" " -f1)"
screenshot "finished-$LANG_TAG"

ui click 1005
wait_exit "$SETUP_PID" 60
expect_eq "exit code" 0 "$EXIT_CODE"
ui wait-gone 10000 || fail "a setup dialog is still there"

log "results"
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder
expect_token_manager
