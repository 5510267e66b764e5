#!/usr/bin/env bash
# An unattended setup whose package script cannot be loaded: exit code
# 1620, no window, nothing installed, no package folder left, and the log
# (named after no product yet, in the temporary folder) says why.
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_damaged en_US.UTF-8
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
