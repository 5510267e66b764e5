#!/usr/bin/env bash
# Unattended run that fails half way (the checks package): exit code 1603,
# no window, the failing File action named in the log, and the action after
# it neither run nor logged.
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
