#!/usr/bin/env bash
# A run that fails half way (the checks package), started with Enter on the
# focused Install button: failing KillProcess actions do not stop it, the
# close box is ignored while it runs, a File action with a missing source
# stops it, the page shows the failure text and the action after it never
# ran.
. "$(dirname "$0")/lib.sh"
e2e_begin failing_run en_US.UTF-8
SCRIPT=$CX_CHECKS_SCRIPT
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaChecks"

setup=$(install_setup "$CX_CHECKS_SETUP" ChecksSetup.exe)
start_program SETUP_PID "$setup"
wait_dialog
expect_eq "title" "$(script_text "$SCRIPT" IDS_MAIN_UI_INSTALL_TITLE)" "$DIALOG_TITLE"

log "install (Enter on the focused Install button), then the close box while the slow step runs"
ui focus 1002
# Enter presses the focused button; left to the dialog manager it would end
# the dialog instead.
ui key enter
ui wait-process e2e_sleeper.exe 30000 || fail "the slow step did not start"
expect_control 1001 IDS_TIP_INSTALLING_PRODUCT
expect_state 1002 "visible=1 enabled=0"
expect_state 1003 "visible=1 enabled=0"
ui close
# Only meaningful if the run was still going when the close came.
[ "$(ui procs e2e_sleeper.exe | wc -l)" -gt 0 ] || fail "the slow step ended too early to tell"
ui sleep 1500
still_running "$SETUP_PID" || fail "the setup ended on WM_CLOSE while running"
ui wait-window '*' 1000 >/dev/null || fail "the dialog went away on WM_CLOSE while running"
echo "  ok: WM_CLOSE ignored while running"

log "the failure"
ui wait-ready 1005 120000 || fail "the Finish button did not become usable"
expect_control 1001 IDS_INSTALL_FAILED
expect_hidden 1002
expect_hidden 1003
# Both KillProcess actions (one of them failing) came before this copy.
expect_file "$dir/before.txt"
expect_no_path "$dir/missing.txt"
expect_no_path "$dir/after.txt"

ui click 1005
wait_exit "$SETUP_PID" 60
expect_eq "exit code (an action failed)" 1603 "$EXIT_CODE"
expect_no_package_folder
