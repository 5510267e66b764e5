#!/usr/bin/env bash
# The sample product's shortcuts, scheduled task and trusted site: the
# install writes the links and the task (read back from the files and
# through IShellLinkW / ITask), the uninstall removes them again, and the
# trusted zone's "require HTTPS" flag is the same before and after both.
. "$(dirname "$0")/lib.sh"
: "${CX_SHELLREAD:?CX_SHELLREAD names cx_shellread.exe}"
e2e_begin shortcuts_tasks en_US.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT

app='C:\Program Files (x86)\KOVA\Corvexa'
menu_rel="ProgramData/Microsoft/Windows/Start Menu/Programs/KOVA/Corvexa"
menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\KOVA\Corvexa'
desktop='C:\users\Public\Desktop'
task="Corvexa Token Check"
site="http://enrol.kova.example"

shellread() { wine "$CX_SHELLREAD" "$@" | tr -d '\r'; }
field() { sed -n "s/^$1: *//p"; }

flags_before=$(shellread zone "$site" | field 'trusted zone flags')
[ -n "$flags_before" ] || fail "the trusted zone's flags could not be read"

log "silent install"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup" /S
wait_exit "$SETUP_PID" 120
expect_eq "install exit code" 0 "$EXIT_CODE"

log "links"
expect_file "$DRIVE_C/$menu_rel/Corvexa Token Manager.lnk"
expect_file "$DRIVE_C/$menu_rel/Uninstall Corvexa.lnk"
expect_file "$DRIVE_C/users/Public/Desktop/Corvexa Token Manager.lnk"
for link in "$menu\\Corvexa Token Manager.lnk" "$desktop\\Corvexa Token Manager.lnk"; do
  out=$(shellread link "$link") || fail "$link does not load"
  expect_eq "target of $link" "$app\\TokenManager.exe" "$(field target <<<"$out")"
  expect_eq "working folder of $link" "$app" "$(field 'working folder' <<<"$out")"
  expect_eq "icon of $link" "$app\\TokenManager.exe,0" "$(field icon <<<"$out")"
done
out=$(shellread link "$menu\\Uninstall Corvexa.lnk") || fail "the uninstaller's link does not load"
expect_eq "uninstaller link target" "$app\\Uninstall.exe" "$(field target <<<"$out")"
expect_eq "uninstaller link icon" "$app\\Uninstall.exe,0" "$(field icon <<<"$out")"

log "task"
out=$(shellread task "$task") || fail "no task $task after the install"
expect_eq "task program" "$app\\TokenManager.exe" "$(field program <<<"$out")"
expect_eq "task parameters" "/check" "$(field parameters <<<"$out")"
grep -q '^flags: .*logged on' <<<"$out" || fail "the task may run without the user: $out"
echo "  ok: runs only while the user is logged on"
grep -q "^trigger 0: *type 1 (1 = daily), every 1 day(s) from .* at 00:01, repeating every 10 minutes for 1440 minutes$" <<<"$out" ||
  fail "unexpected trigger: $out"
echo "  ok: $(grep '^trigger 0' <<<"$out")"
expect_eq "trusted zone flags after the install" "$flags_before" "$(shellread zone "$site" | field 'trusted zone flags')"

log "uninstall"
start_program LAUNCHER_PID "$app\\Uninstall.exe"
wait_exit "$LAUNCHER_PID" 60
wait_dialog
ui click 1004
ui wait-ready 1005 120000 || fail "the uninstall did not finish"
expect_control 1001 IDS_UNINSTALL_OK
ui click 1005
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy did not end"

log "after the uninstall"
expect_no_path "$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/KOVA"
expect_no_path "$DRIVE_C/users/Public/Desktop/Corvexa Token Manager.lnk"
if shellread task "$task" >/dev/null 2>&1; then fail "the task $task is still there"; fi
echo "  ok: no task $task"
expect_eq "trusted zone flags after the uninstall" "$flags_before" "$(shellread zone "$site" | field 'trusted zone flags')"
