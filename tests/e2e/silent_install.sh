#!/usr/bin/env bash
# Silent install (/S): no page, the run starts at once, a balloon announces
# the end and the program ends by itself with the files in place.
. "$(dirname "$0")/lib.sh"
e2e_begin silent_install en_US.UTF-8

setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup" /S
# Nothing to click: the run, then the balloon for a few seconds.
line=$(ui wait-class tooltips_class32 90000) || fail "no balloon appeared"
expect_eq "balloon text" "$(script_text "$CX_SAMPLE_SCRIPT" IDS_SILENT_INSTALL_SUCCESSFULLY)" "${line#* }"
wait_exit "$SETUP_PID" 120
expect_eq "exit code" 0 "$EXIT_CODE"

expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder
ui --any wait-gone 5000 || fail "a dialog or message box is left: $(ui list)"
echo "  ok: no window left"
ui wait-process TokenManager.exe 20000 || fail "the token manager was not started"
echo "  ok: TokenManager.exe runs"
