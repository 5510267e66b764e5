#!/usr/bin/env bash
# A second /QUIET install of the same version: exit code 1638, no window,
# and nothing changed (install folder and the product's uninstall entry).
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_repeat en_US.UTF-8
dir="$DRIVE_C/$INSTALL_DIR_REL"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KOVA_ZAVOzu'
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)

run_quiet 180 "$setup" /QUIET
expect_eq "first install's exit code" 0 "$EXIT_CODE"
entry=$(wine reg query "$key" 2>/dev/null) || fail "the first install wrote no uninstall entry"
ui wait-process TokenManager.exe 20000 || fail "the token manager was not started"
before=$(find "$dir" -printf '%P %s %T@\n' | sort)

run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\repeat.log'
expect_eq "second install's exit code" 1638 "$EXIT_CODE"
expect_no_window_seen
expect_eq "install folder" "$before" "$(find "$dir" -printf '%P %s %T@\n' | sort)"
expect_eq "uninstall entry" "$entry" "$(wine reg query "$key" 2>/dev/null)"
expect_no_package_folder
grep -q 'installed-version state: this version installed' "$DRIVE_C/e2e/repeat.log" ||
  fail "the log does not give the installed-version state"
