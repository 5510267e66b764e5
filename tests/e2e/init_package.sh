#!/usr/bin/env bash
# A new user's first hour, from the README alone: cxpack init writes a
# package, which lints clean, builds into a setup that list and plan read
# back, installs unattended (/QUIET, exit code 0: the product's file, the
# uninstaller and the uninstall entry in place) and is removed again by the
# QuietUninstallString a deployment tool runs (exit code 0: all of it gone),
# and once more with Uninstall.exe /UNINSTALL /QUIET, which asks for no
# restart for its own file either. The log says "no finish list", not a
# failure.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
: "${CX_STUB:?CX_STUB names cxsetup_stub.exe}"
e2e_begin init_package en_US.UTF-8

# The build machine's cxpack, else the Windows one through Wine.
if [ -x "${CX_CXPACK:-}" ]; then
  cxpack() { "$CX_CXPACK" "$@"; }
else
  cxpack() { wine "$CX_CXPACK_EXE" "$@" | tr -d '\r'; }
fi
work="$CX_E2E_WORK/prefixes/$TEST_NAME.package"
rm -rf "$work" && mkdir -p "$work"

log "cxpack init, lint, build"
cxpack init "$work/first-hour" --product "First Hour" --publisher Acme --version 2.1.0.0 >"$work/init.txt" ||
  fail "cxpack init failed: $(cat "$work/init.txt")"
found=$(cxpack lint "$work/first-hour") || fail "the new package has lint errors: $found"
[ -z "$found" ] || fail "lint is not silent on the new package: $found"
echo "  ok: lint is silent"
cxpack build "$work/first-hour" -o "$work/FirstHourSetup.exe" --stub "$CX_STUB" || fail "cxpack build failed"
listed=$(cxpack list "$work/FirstHourSetup.exe") || fail "cxpack list does not read the setup"
grep -q 'PackageFiles\\Product\\ReadMe.txt' <<<"$listed" || fail "the setup's package lacks the product file: $listed"
planned=$(cxpack plan "$work/FirstHourSetup.exe" --mode=uninstall) || fail "cxpack plan does not read the setup"
grep -q '^plan: First Hour 2.1.0.0, uninstall' <<<"$planned" || fail "the setup's plan: $planned"
echo "  ok: list and plan read the built setup"

log "setup /QUIET"
setup=$(install_setup "$work/FirstHourSetup.exe" FirstHourSetup.exe)
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\install.log'
expect_eq "install exit code" 0 "$EXIT_CODE"
# The package has no finish list for an install, and needs none.
grep -q '  no finish list' "$DRIVE_C/e2e/install.log" || fail "the log does not say there is no finish list"
! grep -q 'finish list: 0x' "$DRIVE_C/e2e/install.log" || fail "the log calls the missing finish list a result"
expect_no_window_seen
dir="$DRIVE_C/Program Files (x86)/Acme/First Hour"
expect_file "$dir/ReadMe.txt"
cmp -s "$dir/Uninstall.exe" "$work/FirstHourSetup.exe" || fail "Uninstall.exe is not the setup's copy"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Acme_FirstHour'
expect_reg_value "$key" 32 DisplayName REG_SZ "First Hour"
expect_reg_value "$key" 32 DisplayVersion REG_SZ 2.1.0.0
quiet=$(reg_query "$key" | awk '$1 == "QuietUninstallString" { sub(/.*REG_SZ +/, ""); print }')
expect_eq "QuietUninstallString" '"C:\Program Files (x86)\Acme\First Hour\Uninstall.exe" /QUIET' "$quiet"

log "the QuietUninstallString"
run_quiet 300 --watch uninstallation_ 'C:\Program Files (x86)\Acme\First Hour\Uninstall.exe' /QUIET
expect_eq "uninstall exit code" 0 "$EXIT_CODE"
expect_no_window_seen
expect_no_path "$DRIVE_C/Program Files (x86)/Acme"
expect_no_key "$key" 32
expect_no_package_folder

log "Uninstall.exe /UNINSTALL /QUIET, without the launcher"
run_quiet 180 "$setup" /QUIET
expect_eq "second install's exit code" 0 "$EXIT_CODE"
# The running Uninstall.exe is moved aside when its folder goes: its own
# file asks for no restart.
run_quiet 300 'C:\Program Files (x86)\Acme\First Hour\Uninstall.exe' /UNINSTALL /QUIET '/LOG=C:\e2e\direct.log'
expect_eq "direct uninstall exit code" 0 "$EXIT_CODE"
expect_no_path "$DRIVE_C/Program Files (x86)/Acme"
grep -q "this program's own file, moved aside" "$DRIVE_C/e2e/direct.log" ||
  fail "the log does not account for the moved-aside Uninstall.exe: $(cat "$DRIVE_C/e2e/direct.log")"
rm -rf "$work"
