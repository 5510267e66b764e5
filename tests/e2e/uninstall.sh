#!/usr/bin/env bash
# The sample product installed silently and removed through its uninstaller.
# /S: no page, a balloon announces the end and the program ends by itself
# with the product in place: the provider settings (both views), the COM
# class and the uninstall entry (in Wine's own list of programs too), the
# links and the scheduled task (read back from the files and through
# IShellLinkW / ITask). A setup run again over the same or a newer version
# only says so and ends. Uninstall.exe relaunches a temporary copy, which
# shows the uninstall page, removes all of it on Uninstall and Finish, and
# arranges its own deletion. The trusted zone's "require HTTPS" flag is the
# same before and after both.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
: "${CX_SHELLREAD:?CX_SHELLREAD names cx_shellread.exe}"
e2e_begin uninstall zh_TW.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"
version=$(xmllint --xpath 'string(/Config/SetupInfo/Version)' "$SCRIPT")

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
# Nothing to click: the run, then the balloon for a few seconds.
line=$(ui wait-class tooltips_class32 90000) || fail "no balloon appeared"
expect_eq "balloon text" "$(script_text "$SCRIPT" IDS_SILENT_INSTALL_SUCCESSFULLY)" "${line#* }"
wait_exit "$SETUP_PID" 120
expect_eq "install exit code" 0 "$EXIT_CODE"
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder
ui --any wait-gone 5000 || fail "a dialog or message box is left: $(ui list)"
echo "  ok: no window left"
expect_token_manager
expect_file "$dir/CorvexaProvider.dll"
expect_sample_registry_installed "$version"
listed=$(wine uninstaller --list 2>/dev/null | tr -d '\r')
grep -qF "|||Corvexa" <<<"$listed" || fail "wine uninstaller --list does not show Corvexa: [$listed]"
echo "  ok: wine uninstaller --list shows Corvexa"

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

log "the same version again"
start_program AGAIN_PID "$setup"
ui --msgbox wait-window '*' 60000 >/dev/null || fail "no message box from the second install"
expect_msgbox_text IDS_INSTAL_EQUAL_WARNING
ui --msgbox key escape
wait_exit "$AGAIN_PID" 30
expect_eq "second setup's exit code" 1638 "$EXIT_CODE"
expect_eq "package folders left" 0 "$(package_folders)"

log "a newer version installed"
wine reg add "$CX_UNINSTALL_KEY" /v DisplayVersion /d 1.0.1.0 /f >/dev/null 2>&1 ||
  fail "could not raise the installed version"
start_program NEWER_PID "$setup"
ui --msgbox wait-window '*' 60000 >/dev/null || fail "no message box about the newer version"
expect_msgbox_text IDS_INSTAL_HIGHER_WARNING
ui --msgbox key escape
wait_exit "$NEWER_PID" 30
expect_eq "third setup's exit code" 1638 "$EXIT_CODE"
wine reg add "$CX_UNINSTALL_KEY" /v DisplayVersion /d "$version" /f >/dev/null 2>&1

log "Uninstall.exe"
start_program LAUNCHER_PID "$app\\Uninstall.exe"
wait_exit "$LAUNCHER_PID" 60
expect_eq "launcher exit code" 0 "$EXIT_CODE"
wait_dialog
expect_eq "title" "$(script_text "$SCRIPT" IDS_MAIN_UI_UNINSTALL_TITLE)" "$DIALOG_TITLE"
copy=$(ui procs Uninstallation_ | awk '{print $2}')
[[ $copy =~ ^Uninstallation_[0-9A-F]{16}\.exe$ ]] || fail "the running copy is [$copy]"
echo "  ok: the page belongs to $copy"
expect_file "$TEMP_DIR/$copy"
expect_control 1001 IDS_WELCOME_UNINSTALL
expect_control 1004 IDS_BTN_UNINSTALL
expect_control 1003 IDS_BTN_CANCEL
expect_state 1004 "visible=1 enabled=1"
expect_hidden 1002
screenshot "uninstall-$LANG_TAG"

ui click 1004
ui wait-ready 1005 120000 || fail "the Finish button did not become usable"
expect_control 1001 IDS_UNINSTALL_OK
expect_hidden 1004
ui click 1005
ui wait-no-process "$copy" 60000 || fail "$copy did not end"

log "results"
expect_no_path "$dir"
expect_no_path "$DRIVE_C/Program Files (x86)/KOVA"
expect_no_package_folder
expect_sample_registry_removed
listed=$(wine uninstaller --list 2>/dev/null | tr -d '\r')
if grep -qF "|||Corvexa" <<<"$listed"; then fail "wine uninstaller --list still shows Corvexa"; fi
echo "  ok: wine uninstaller --list no longer shows Corvexa"
expect_no_path "$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/KOVA"
expect_no_path "$DRIVE_C/users/Public/Desktop/Corvexa Token Manager.lnk"
if shellread task "$task" >/dev/null 2>&1; then fail "the task $task is still there"; fi
echo "  ok: no task $task"
expect_eq "trusted zone flags after the uninstall" "$flags_before" "$(shellread zone "$site" | field 'trusted zone flags')"
ui wait-no-process TokenManager.exe 10000 || fail "the token manager still runs"
pending=$(pending_renames)
if [ -e "$TEMP_DIR/$copy" ]; then
  grep -qiF "$copy" <<<"$pending" || fail "$copy is left and not scheduled for deletion: [$pending]"
  echo "  ok: $copy scheduled for deletion at restart"
else
  echo "  ok: $copy already deleted"
fi
grep -qiF "$copy" <<<"$pending" && echo "  (also listed for deletion at restart)" || true
