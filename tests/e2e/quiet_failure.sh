#!/usr/bin/env bash
# Unattended runs that fail, each without a window. The checks package fails
# half way: exit code 1603, the failing File action named in the log, and
# the action after it neither run nor logged. A setup whose package script
# cannot be loaded: exit code 1620, nothing installed, no package folder
# left, and the log (named after no product yet, in the temporary folder)
# says why.
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_failure en_US.UTF-8
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaChecks"
setup=$(install_setup "$CX_CHECKS_SETUP" ChecksSetup.exe)

run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\checks.log'
expect_eq "exit code (an action failed)" 1603 "$EXIT_CODE"
expect_no_window_seen
expect_file "$dir/before.txt"
expect_no_path "$dir/missing.txt"
expect_no_path "$dir/after.txt"
expect_no_package_folder

logfile="$DRIVE_C/e2e/checks.log"
grep -qE 'File: Copying .*missing\.txt.*: 0x00000002 \(' "$logfile" ||
  fail "the failing action is not in the log: $(cat "$logfile")"
grep -q 'the failure of File stops the run' "$logfile" || fail "the log does not say the failure stopped the run"
! grep -q 'after\.txt' "$logfile" || fail "the action after the failure is in the log"
grep -q 'exit code 1603 ' "$logfile" || fail "the exit code is not in the log"
echo "  ok: the log names the failing action and ends there"

log "damaged package"
setup=$(install_setup "$CX_DAMAGED_SETUP" DamagedSetup.exe)

run_quiet 60 "$setup" /QUIET /LOG
expect_eq "exit code (package damaged)" 1620 "$EXIT_CODE"
expect_no_window_seen
expect_no_package_folder
logfile=$(find "$TEMP_DIR" -maxdepth 1 -name 'Setup_*.log' | head -1)
[ -n "$logfile" ] || fail "no log in $TEMP_DIR: $(ls "$TEMP_DIR")"
grep -q 'the embedded package could not be extracted or its script loaded' "$logfile" ||
  fail "the log does not say why: $(cat "$logfile")"
grep -q 'exit code 1620 ' "$logfile" || fail "the exit code is not in the log"
echo "  ok: ${logfile##*/} says why"
