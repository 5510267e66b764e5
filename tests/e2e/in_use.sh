#!/usr/bin/env bash
# An unattended install that replaces a file a running program holds open:
# the run succeeds, the replacement waits for the next restart, the exit
# code is 3010 and the log names the file. Then "Uninstall.exe" /QUIET whose
# uninstall list fails: exit code 1603, and the product keeps its files and
# its uninstaller (the copy removes the launcher's file only after a
# successful uninstall).
. "$(dirname "$0")/lib.sh"
e2e_begin in_use en_US.UTF-8
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaInUse"
setup=$(install_setup "$CX_INUSE_SETUP" InUseSetup.exe)
mkdir -p "$dir"
echo "the old content" >"$dir/held.txt"

holder_out="$CX_E2E_WORK/prefixes/$TEST_NAME.holder"
wine "$CX_UIAUTO" hold 'C:\Program Files (x86)\KOVA\CorvexaInUse\held.txt' 120000 >"$holder_out" 2>&1 &
HOLDER=$!
for _ in $(seq 100); do grep -q held "$holder_out" && break; sleep 0.1; done
grep -q held "$holder_out" || fail "the file could not be held: $(cat "$holder_out")"

run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\inuse.log'
kill "$HOLDER" 2>/dev/null || true
expect_eq "exit code (restart required)" 3010 "$EXIT_CODE"
expect_no_window_seen
expect_eq "the held file until the restart" "the old content" "$(cat "$dir/held.txt")"
grep -qiE 'scheduled for the next restart: .*CorvexaInUse\\held\.txt' "$DRIVE_C/e2e/inuse.log" ||
  fail "the log does not name the file: $(cat "$DRIVE_C/e2e/inuse.log")"
echo "  ok: the log names held.txt"
grep -q 'exit code 3010 ' "$DRIVE_C/e2e/inuse.log" || fail "the exit code is not in the log"

log "Uninstall.exe /QUIET that fails"
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
