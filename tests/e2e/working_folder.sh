#!/usr/bin/env bash
# What an elevated setup (Wine's runs elevated) does in its working folder,
# the Windows folder's Temp, while others may have planted things there:
#  - Unix links at every default log name of the next minutes, in that
#    folder and in the user's Temp, point at a victim file. The quiet
#    install succeeds, its log is a new file of its own beside them, and
#    the victim stays unchanged; so does it when "Uninstall.exe" /QUIET is
#    given a relative /LOG path that is a link to it.
#  - A killed run's package folder and an old uninstaller copy are removed
#    by the next run; the folder of a run that still lives is not.
. "$(dirname "$0")/lib.sh"
e2e_begin working_folder en_US.UTF-8
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
victim="$DRIVE_C/windows/victim.ini"
printf 'victim\n' >"$victim"
expect_victim() { expect_eq "the victim after $1" victim "$(cat "$victim")"; }

log "links at the default log names"
for s in $(seq 0 240); do
  name="Corvexa_$(date -d "+$s sec" +%Y%m%d_%H%M%S).log"
  ln -s ../victim.ini "$TEMP_DIR/$name"
  ln -s "$victim" "$USER_TEMP/$name"
done
run_quiet 180 "$setup" /QUIET /LOG
expect_eq "exit code" 0 "$EXIT_CODE"
expect_victim "the install"
logs=$(find "$TEMP_DIR" -maxdepth 1 -type f -name 'Corvexa_*.log')
[ "$(wc -l <<<"$logs")" -eq 1 ] && [ -n "$logs" ] || fail "not one log file of its own: [$logs]"
grep -q 'exit code 0 ' "$logs" || fail "the log lacks the exit code: $(cat "$logs")"
echo "  ok: the log is ${logs##*/}"

log "Uninstall.exe /QUIET with a relative /LOG path that is a link"
ln -s ../windows/victim.ini "$DRIVE_C/e2e/linked.log"
(cd "$DRIVE_C/e2e" && run_quiet 300 --watch uninstallation_ \
  'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe' /QUIET /LOG=linked.log &&
  echo "$EXIT_CODE" >"$DRIVE_C/e2e/uninstall.code")
expect_eq "uninstall exit code" 0 "$(cat "$DRIVE_C/e2e/uninstall.code")"
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy still runs"
expect_no_path "$DRIVE_C/$INSTALL_DIR_REL"
expect_victim "the uninstall"

log "leftovers of a killed run"
live=$(install_setup "$CX_SAMPLE_SETUP" Live.exe)
killed=$(install_setup "$CX_SAMPLE_SETUP" Killed.exe)
start_program LIVE_PID "$live"
wait_dialog
live_folder=$(find "$TEMP_DIR" -maxdepth 1 -name 'CxKeyPackage_*')
[ -d "$live_folder" ] || fail "no package folder of the live run: [$live_folder]"
start_program KILLED_PID "$killed"
ui --msgbox wait-window '*' 60000 >/dev/null || fail "no message box from the second setup"
killed_folder=$(find "$TEMP_DIR" -maxdepth 1 -name 'CxKeyPackage_*' ! -path "$live_folder")
[ -d "$killed_folder" ] || fail "no package folder of the second run"
ui kill Killed.exe >/dev/null
wait_exit "$KILLED_PID" 30
expect_file "$killed_folder/PackageFiles/SetupScript.xml"
old_copy="$TEMP_DIR/Uninstallation_00000000000000AB.exe"
cp "$DRIVE_C/e2e/CorvexaSetup.exe" "$old_copy"
run_quiet 120 "$setup" /QUIET
expect_eq "the next run's exit code (the live one holds the product)" 1618 "$EXIT_CODE"
expect_no_path "$killed_folder"
expect_no_path "$old_copy"
[ -f "$live_folder/PackageFiles/SetupScript.xml" ] || fail "the live run's folder was removed"
echo "  ok: the live run's folder stays"
ui click 1003
wait_exit "$LIVE_PID" 30
expect_eq "the live run's exit code (cancelled)" 1602 "$EXIT_CODE"
expect_no_package_folder
