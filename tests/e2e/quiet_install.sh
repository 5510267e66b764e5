#!/usr/bin/env bash
# Unattended runs of one product, signed by tools/sign-setup.sh with a
# certificate made here (it verifies with osslsigncode, a changed byte breaks
# it, and the Uninstall.exe it installs verifies too): /HELP and /? /QUIET;
# /QUIET /LOG=... exits
# 0 with no window of the setup at any moment (watched from outside while it
# runs), the product in place, and a UTF-8 log with one line per action of
# the install list, in order; a second /QUIET install of the same version
# exits 1638 and changes nothing; "Uninstall.exe" /QUIET, as a deployment tool
# runs the QuietUninstallString, returns only when the product is gone, exits
# 0 without any window, and soon after nothing is left: not the install
# folder, not the temporary copy, nothing scheduled for the next restart.
. "$(dirname "$0")/lib.sh"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (make deps)"
e2e_begin quiet_install zh_CN.UTF-8
SCRIPT=$CX_SAMPLE_SCRIPT
dir="$DRIVE_C/$INSTALL_DIR_REL"

log "signing"
work="$CX_E2E_WORK/prefixes/$TEST_NAME.sign"
rm -rf "$work" && mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Corvexa e2e signing" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=digitalSignature" 2>/dev/null || fail "openssl made no certificate"
cp "$CX_SAMPLE_SETUP" "$work/CorvexaSetup.exe"
bash "$CX_SIGN_SCRIPT" "$work/CorvexaSetup.exe" "$work/cert.pem" "$work/key.pem" || fail "signing failed"

verify() { osslsigncode verify -in "$1" -CAfile "$work/cert.pem" 2>&1 | grep -q '^Signature verification: ok'; }
verify "$work/CorvexaSetup.exe" || fail "the signed setup does not verify"
echo "  ok: the signed setup verifies (SHA-256: $(osslsigncode verify -in "$work/CorvexaSetup.exe" -CAfile "$work/cert.pem" 2>&1 | grep -c -i sha256) sha256 lines)"
verify "$CX_SAMPLE_SETUP" && fail "the unsigned setup verifies"
cp "$work/CorvexaSetup.exe" "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
verify "$work/changed.exe" && fail "a changed signed file still verifies"
echo "  ok: unsigned and changed files do not verify"
# A time-stamp server that does not answer (a closed local port): one line
# saying so, status 1, and the file as it was.
cp "$CX_SAMPLE_SETUP" "$work/unsigned.exe"
said=$(bash "$CX_SIGN_SCRIPT" "$work/unsigned.exe" "$work/cert.pem" "$work/key.pem" http://127.0.0.1:9 2>&1) &&
  fail "signing without a time-stamp server succeeded"
[ "$(printf '%s\n' "$said" | wc -l)" -eq 1 ] && [[ $said == *"time-stamp server http://127.0.0.1:9 did not answer"* ]] ||
  fail "a failed signing said: $said"
cmp -s "$work/unsigned.exe" "$CX_SAMPLE_SETUP" || fail "a failed signing changed the file"
echo "  ok: a failed signing is one line: $said"

setup=$(install_setup "$work/CorvexaSetup.exe" CorvexaSetup.exe)

log "/HELP: one box with the switches and exit codes; under /QUIET nothing"
start_program HELP_PID "$setup" /HELP
ui --msgbox wait-window '*' 30000 >/dev/null || fail "no help box"
box=$(ui --msgbox dump)
for want in /QUIET /LOG=path "/REPAIR, /UPGRADE" "run no action" 3010 1602 1603 1618 1620 1638 740 4100; do
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
# As the help box says: /REPAIR runs no action.
run_quiet 60 "$setup" /QUIET /REPAIR
expect_eq "exit code of /QUIET /REPAIR" 1603 "$EXIT_CODE"
expect_no_path "$dir"

log "quiet install"
run_quiet 180 "$setup" /quiet '/LOG=C:\e2e\install log.txt'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_no_window_seen
expect_sample_installed "$DRIVE_C/e2e/CorvexaSetup.exe"
expect_no_package_folder
verify "$dir/Uninstall.exe" || fail "the installed Uninstall.exe does not verify"
echo "  ok: the installed Uninstall.exe verifies"

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
expect_token_manager
[ -z "$(pending_renames)" ] || fail "restart operations before the uninstall: $(pending_renames)"

log "the same version again"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KOVA_ZAVOzu'
entry=$(wine reg query "$key" 2>/dev/null) || fail "the first install wrote no uninstall entry"
before=$(find "$dir" -printf '%P %s %T@\n' | sort)
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\repeat.log'
expect_eq "second install's exit code" 1638 "$EXIT_CODE"
expect_no_window_seen
expect_eq "install folder" "$before" "$(find "$dir" -printf '%P %s %T@\n' | sort)"
expect_eq "uninstall entry" "$entry" "$(wine reg query "$key" 2>/dev/null)"
expect_no_package_folder
grep -q 'installed-version state: this version installed' "$DRIVE_C/e2e/repeat.log" ||
  fail "the log does not give the installed-version state"

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
rm -rf "$work"
