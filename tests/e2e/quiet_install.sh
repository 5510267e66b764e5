#!/usr/bin/env bash
# Unattended install (/QUIET /LOG=...): exit code 0 with no window of the
# setup at any moment (watched from outside while it runs), the product in
# place, and a UTF-8 log with one line per action of the install list, in
# order. Also /? under /QUIET: nothing shown, exit 0.
. "$(dirname "$0")/lib.sh"
e2e_begin quiet_install zh_CN.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)

log "/HELP: one box with the switches and exit codes; under /QUIET nothing"
start_program HELP_PID "$setup" /HELP
ui --msgbox wait-window '*' 30000 >/dev/null || fail "no help box"
box=$(ui --msgbox dump)
for want in /QUIET /LOG=path 3010 1602 1603 1618 1620 1638 740 4100; do
  grep -qF -- "$want" <<<"$box" || fail "the help box lacks $want: $box"
done
echo "  ok: the help box lists the switches and exit codes"
ui --msgbox key escape
wait_exit "$HELP_PID" 30
expect_eq "exit code of /HELP" 0 "$EXIT_CODE"
expect_no_package_folder
run_quiet 60 "$setup" /? /QUIET
expect_eq "exit code of /? /QUIET" 0 "$EXIT_CODE"
expect_no_window_seen

log "quiet install"
run_quiet 180 "$setup" /quiet '/LOG=C:\e2e\install log.txt'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_no_window_seen
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder

logfile="$DRIVE_C/e2e/install log.txt"
expect_file "$logfile"
iconv -f UTF-8 -t UTF-8 "$logfile" >/dev/null || fail "the log is not UTF-8"
# Every line starts with a time stamp.
bad=$(grep -cvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}  ' "$logfile" || true)
expect_eq "lines without a time stamp" 0 "$bad"
# The actions of the install list, in order, each with its result.
want=$(xmllint --xpath "/Config/Action[@name='Insall']/*" "$SCRIPT" | grep -o '^<[A-Za-z]*' | tr -d '<' | paste -sd' ')
got=$(grep -oE '  [A-Za-z]+: .*: 0x[0-9A-F]{8} \(' "$logfile" | sed -E 's/^  ([A-Za-z]+):.*/\1/' | paste -sd' ')
expect_eq "actions in the log" "$want" "$got"
# The description in the system language, as the script words it.
grep -qF "正在复制" "$logfile" || fail "the File action's Chinese description is not in the log"
grep -q 'product: Corvexa (KOVA_ZAVOzu)' "$logfile" || fail "the product is not named in the log"
grep -q 'installed-version state: ' "$logfile" || fail "the installed-version state is not in the log"
grep -q 'exit code 0 after [0-9]* ms' "$logfile" || fail "the exit code is not in the log"
echo "  ok: the log names the run, each action and the exit code"
ui wait-process TokenManager.exe 20000 || fail "the token manager was not started"
