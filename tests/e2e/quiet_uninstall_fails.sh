#!/usr/bin/env bash
# "Uninstall.exe" /QUIET whose uninstall list fails: exit code 1603, and the
# product keeps its files and its uninstaller (the copy removes the
# launcher's file only after a successful uninstall).
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_uninstall_fails en_US.UTF-8
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaInUse"
setup=$(install_setup "$CX_INUSE_SETUP" InUseSetup.exe)

run_quiet 180 "$setup" /QUIET
expect_eq "install exit code" 0 "$EXIT_CODE"
expect_file "$dir/Uninstall.exe"

run_quiet 300 --watch uninstallation_ 'C:\Program Files (x86)\KOVA\CorvexaInUse\Uninstall.exe' /QUIET '/LOG=C:\e2e\uninstall.log'
expect_eq "exit code (an action failed)" 1603 "$EXIT_CODE"
expect_no_window_seen
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy still runs"
sleep 1
expect_file "$dir/Uninstall.exe"
expect_file "$dir/held.txt"
grep -qE 'File: Copying .*missing\.txt.*: 0x00000002 \(' "$DRIVE_C/e2e/uninstall.log" ||
  fail "the failing action is not in the log"
echo "  ok: the failed uninstall left the product and its uninstaller"
