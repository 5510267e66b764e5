#!/usr/bin/env bash
# "Uninstall.exe" /QUIET, as a deployment tool runs the QuietUninstallString:
# it returns only when the product is gone, exits 0 without any window, and
# soon after nothing is left: not the install folder, not Uninstall.exe, not
# the temporary copy, and nothing is scheduled for the next restart.
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_uninstall en_US.UTF-8
dir="$DRIVE_C/$INSTALL_DIR_REL"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)

run_quiet 180 "$setup" /QUIET
expect_eq "install exit code" 0 "$EXIT_CODE"
expect_file "$dir/Uninstall.exe"
ui wait-process TokenManager.exe 20000 || fail "the token manager was not started"
[ -z "$(pending_renames)" ] || fail "restart operations before the uninstall: $(pending_renames)"

log "Uninstall.exe /QUIET"
run_quiet 300 --watch uninstallation_ 'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe' /QUIET '/LOG=C:\e2e\uninstall.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_no_window_seen
# Gone when the command returns, not later.
expect_no_path "$dir/TokenManager.exe"
expect_no_path "$dir"
ui wait-no-process TokenManager.exe 10000 || fail "the token manager still runs"

log "what the copy removes once the launcher has ended"
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy still runs: $(ui procs Uninstallation_)"
for _ in $(seq 100); do
  [ -z "$(find "$TEMP_DIR" -maxdepth 1 -name 'Uninstallation_*')" ] && break
  sleep 0.1
done
left=$(find "$TEMP_DIR" "$DRIVE_C/windows/temp" -maxdepth 1 \( -name 'Uninstallation_*' -o -name '_@*' \) 2>/dev/null)
[ -z "$left" ] || fail "left behind: $left"
echo "  ok: no uninstaller copy and no moved-aside file left"
expect_no_path "$DRIVE_C/Program Files (x86)/KOVA"
expect_no_package_folder
pending=$(pending_renames)
[ -z "$pending" ] || fail "scheduled for the next restart: $pending"
echo "  ok: nothing scheduled for the next restart"
grep -q 'started the uninstaller copy' "$DRIVE_C/e2e/uninstall.log" || fail "the launcher's lines are not in the log"
grep -q 'mode: uninstall, quiet' "$DRIVE_C/e2e/uninstall.log" || fail "the copy's lines are not in the log"
grep -q 'removed now instead of at the restart' "$DRIVE_C/e2e/uninstall.log" ||
  fail "the log does not tell what the copy removed after the launcher"
echo "  ok: launcher and copy wrote one log"
