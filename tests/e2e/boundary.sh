#!/usr/bin/env bash
# What a process of the same user without the elevation, or a file beside
# the setup, may not do to it. crypt32.dll, version.dll and msimg32.dll that
# write a marker (and forward to the system's own) lie beside the setup and
# in the temporary folder, preferred by Wine over its own: neither the
# install nor Uninstall.exe and its relaunched copy load them. A mutex of
# the lock's name made first by an unelevated process does not keep the
# setup from installing. COMSPEC naming a marker program: Uninstall.exe
# /UNINSTALL never starts it and its file is deleted all the same. Without
# crypt32.dll the setup ends with 1603 and a log line naming it.
. "$(dirname "$0")/lib.sh"
: "${CX_PLANTED_DIR:?CX_PLANTED_DIR names the folder of the planted DLLs}"
: "${CX_MARKER:?CX_MARKER names cx_marker.exe}"
: "${CX_UNELEVATED:?CX_UNELEVATED names cx_unelevated.exe}"
: "${CX_TEST_HELPER:?CX_TEST_HELPER names cx_test_helper.exe}"
e2e_begin boundary en_US.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"
app='C:\Program Files (x86)\KOVA\Corvexa'
product=$(xmllint --xpath 'string(/Config/SetupInfo/ProductCode)' "$SCRIPT")
marker="$DRIVE_C/cx-marker.log"
overrides=$WINEDLLOVERRIDES

expect_no_marker() {
  [ ! -e "$marker" ] || fail "$1: $(tr -d '\r' <"$marker")"
  echo "  ok: nothing planted ran during $1"
  # Wine's own user32 imports version.dll (see cx_marker_win.cpp).
  if [ -e "$DRIVE_C/cx-marker-wine.log" ]; then
    echo "  (Wine's own DLLs loaded: $(sort -u "$DRIVE_C/cx-marker-wine.log" | tr -d '\r' | paste -sd';'))"
    rm -f "$DRIVE_C/cx-marker-wine.log"
  fi
}

setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
for d in crypt32 version msimg32; do
  cp "$CX_PLANTED_DIR/$d.dll" "$DRIVE_C/e2e/"
  cp "$CX_PLANTED_DIR/$d.dll" "$TEMP_DIR/"
done
cp "$CX_MARKER" "$DRIVE_C/e2e/marker.exe"
cp "$CX_TEST_HELPER" "$DRIVE_C/e2e/loader.exe"
export WINEDLLOVERRIDES="$overrides;crypt32,version,msimg32=n,b"

log "control: a program that looks beside itself does load a planted DLL"
wine 'C:\e2e\loader.exe' loaddll crypt32.dll 'C:\e2e\loaded.txt' >/dev/null 2>&1
grep -q 'crypt32.dll loaded at run time in C:\\e2e\\loader.exe' "$marker" 2>/dev/null ||
  fail "the planted crypt32.dll was not loaded by a plain LoadLibrary: the test proves nothing"
rm -f "$marker"
echo "  ok: the planted DLLs work"

log "an unelevated process holds the lock's name before the setup starts"
squat_out="$CX_E2E_WORK/prefixes/$TEST_NAME.squat"
wine "$CX_UNELEVATED" squat "Global\\Mutex$product" 600000 >"$squat_out" 2>/dev/null &
SQUAT_PID=$!
for _ in $(seq 300); do grep -q ready "$squat_out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$squat_out" || fail "the squatter did not take the name"
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\install.log'
expect_eq "install exit code with the lock's name taken" 0 "$EXIT_CODE"
grep -q "the instance lock's name .* is taken by an object no elevated setup made" "$DRIVE_C/e2e/install.log" ||
  fail "the log does not say why the lock was not believed"
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
kill "$SQUAT_PID" 2>/dev/null || true
wait "$SQUAT_PID" 2>/dev/null || true
expect_no_marker "the install"

log "Uninstall.exe /QUIET: its copy runs beside the planted DLLs"
run_quiet 300 --watch uninstallation_ "$app\\Uninstall.exe" /QUIET
expect_eq "uninstall exit code" 0 "$EXIT_CODE"
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy still runs"
expect_no_path "$dir"
expect_no_marker "the uninstall and its relaunched copy"

log "COMSPEC names a marker program"
run_quiet 180 "$setup" /QUIET
expect_eq "second install exit code" 0 "$EXIT_CODE"
wine 'C:\e2e\marker.exe' >/dev/null 2>&1
grep -q 'marker program started' "$marker" 2>/dev/null || fail "the marker program does not mark"
rm -f "$marker"
# An uninstaller outside the install folder, which the uninstall list
# removes: the program file is left for the self-deletion alone. COMSPEC is
# set where a process of the user sets it, the user's own environment.
cp "$CX_SAMPLE_SETUP" "$DRIVE_C/e2e/Uninstall.exe"
wine reg add 'HKCU\Environment' /v COMSPEC /d 'C:\e2e\marker.exe' /f >/dev/null 2>&1 ||
  fail "could not set COMSPEC"
run_quiet 180 'C:\e2e\Uninstall.exe' /UNINSTALL /QUIET
wine reg delete 'HKCU\Environment' /v COMSPEC /f >/dev/null 2>&1
# 3010: the running program's file is also left to the next restart, in
# case the deleter finds it still in use.
[[ $EXIT_CODE == 0 || $EXIT_CODE == 3010 ]] || fail "Uninstall.exe /UNINSTALL exit code $EXIT_CODE"
echo "  ok: Uninstall.exe /UNINSTALL exit code = [$EXIT_CODE]"
expect_no_path "$dir"
for _ in $(seq 300); do [ -e "$DRIVE_C/e2e/Uninstall.exe" ] || break; sleep 0.1; done
expect_no_path "$DRIVE_C/e2e/Uninstall.exe"
expect_no_marker "Uninstall.exe /UNINSTALL"

log "crypt32.dll missing"
WINEDLLOVERRIDES="$overrides;crypt32=d" run_quiet 60 "$setup" /QUIET '/LOG=C:\e2e\nocrypt.log'
expect_eq "exit code without crypt32.dll" 1603 "$EXIT_CODE"
expect_no_window_seen
grep -q 'the system library crypt32.dll could not be loaded from the system folder' "$DRIVE_C/e2e/nocrypt.log" ||
  fail "the log does not name crypt32.dll: $(cat "$DRIVE_C/e2e/nocrypt.log" 2>/dev/null)"
echo "  ok: 1603, and the log names crypt32.dll"
expect_no_package_folder
