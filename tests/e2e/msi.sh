#!/usr/bin/env bash
# `cxpack msi` and the MSI it writes. Natively: two builds are the same
# bytes; the runner DLL imports only KnownDLLs and msi.dll; msiinfo reads
# back the values Group Policy and Configuration Manager use; a package lint
# refuses, or whose SetupInfo lacks a value, gives no MSI;
# tools/sign-setup.sh signs it. Under Wine's msiexec, all /qn: /i
# installs the sample exactly as its setup does (files, registry, one entry
# in the list of programs), from an admin-only folder under the Windows Temp
# folder that is gone afterwards; a second /i changes nothing and succeeds;
# the next version's MSI upgrades it and takes over the registration; /x
# removes everything; a failing package's MSI exits 1603 and its log names
# the failed action; an MSI whose carried setup was changed runs nothing;
# a setup that leaves a file for the restart gives 3010.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
for v in CX_CXPACK CX_STUB CX_SAMPLE_PACKAGE CX_CHECKS_PACKAGE CX_INUSE_PACKAGE CX_DAMAGED_PACKAGE; do
  [ -e "${!v:-}" ] || fail "$v names nothing: [${!v:-}] (the host cxpack comes from make host)"
done
command -v msiinfo >/dev/null || fail "msiinfo is missing (make deps)"

out="$CX_E2E_WORK/msi-build"
rm -rf "$out" && mkdir -p "$out"
cxmsi() { "$CX_CXPACK" msi "$@" --stub "$CX_STUB"; }
prop() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v k="$2" '$1 == k { print $2 }'; }

log "building"
cxmsi "$CX_SAMPLE_PACKAGE" -o "$out/Corvexa.msi" || fail "the sample's MSI was not written"
cxmsi "$CX_SAMPLE_PACKAGE" -o "$out/again.msi" || fail "the second build failed"
cmp "$out/Corvexa.msi" "$out/again.msi" || fail "two builds of the same package differ"
echo "  ok: two builds are byte-identical ($(stat -c %s "$out/Corvexa.msi") bytes)"
cp -r "$CX_SAMPLE_PACKAGE" "$out/next"
sed -i 's|<Version>1.0.0.1</Version>|<Version>1.0.0.2</Version>|' "$out/next/PackageFiles/SetupScript.xml"
cxmsi "$out/next" -o "$out/CorvexaNext.msi" || fail "the next version's MSI was not written"
# Both fail on purpose, which lint would refuse.
cxmsi "$CX_CHECKS_PACKAGE" --no-lint -o "$out/Checks.msi" || fail "the checks MSI was not written"
cxmsi "$CX_INUSE_PACKAGE" --no-lint -o "$out/InUse.msi" || fail "the in-use MSI was not written"

err=$(cxmsi "$CX_CHECKS_PACKAGE" -o "$out/refused.msi" 2>&1) && fail "an MSI despite lint errors"
grep -q 'error: File source .*missing.txt' <<<"$err" || fail "lint's finding is not shown: $err"
err=$(cxmsi "$CX_DAMAGED_PACKAGE" --no-lint -o "$out/refused.msi" 2>&1) && fail "an MSI without InstallDir"
grep -q 'SetupInfo has no InstallDir$' <<<"$err" || fail "the missing value is not named: $err"
[ -z "$(find "$out" -maxdepth 1 -name 'refused.msi*')" ] || fail "a refused build left files: $(ls "$out")"
echo "  ok: no MSI (and no work folder) from lint errors or a missing SetupInfo value"

log "the runner DLL loads only KnownDLLs, and msi.dll that msiexec has loaded already"
runner="$(dirname "$CX_STUB")/cxsetup_msi_runner.dll"
known=" advapi32 comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 ws2_32 msi "
imports=$(i686-w64-mingw32-objdump -p "$runner" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//')
[ -n "$imports" ] || fail "no import table read from $runner"
for dll in $imports; do [[ $known == *" $dll "* ]] || fail "$runner imports $dll.dll"; done
echo "  ok: imports $(paste -sd' ' <<<"$imports")"

log "tables as msiinfo reads them"
for kv in ProductName=Corvexa Manufacturer=KOVA ProductVersion=1.0.0.1 ALLUSERS=1 ARPSYSTEMCOMPONENT=1; do
  expect_eq "Property ${kv%%=*}" "${kv#*=}" "$(prop "$out/Corvexa.msi" "${kv%%=*}")"
done
expect_eq "template" "Template: Intel;1033" "$(msiinfo suminfo "$out/Corvexa.msi" | grep '^Template:')"
actions=$(msiinfo export "$out/Corvexa.msi" CustomAction | tr -d '\r' | grep '^Cx' | cut -f1-3 | paste -sd' ')
expect_eq "custom actions (elevated DLL calls)" $'CxInstallSetup\t3073\tCxSetup CxUninstallSetup\t3073\tCxRunner' "$actions"
code1=$(prop "$out/Corvexa.msi" ProductCode)
code2=$(prop "$out/CorvexaNext.msi" ProductCode)
[ "$code1" != "$code2" ] || fail "two versions share the ProductCode $code1"
expect_eq "UpgradeCode of both versions" "$(prop "$out/Corvexa.msi" UpgradeCode)" "$(prop "$out/CorvexaNext.msi" UpgradeCode)"
checks_code=$(prop "$out/Checks.msi" ProductCode)

log "signing"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$out/key.pem" -out "$out/cert.pem" -days 2 \
  -subj "/CN=Corvexa e2e signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null || fail "no certificate"
bash "$CX_SIGN_SCRIPT" "$out/Corvexa.msi" "$out/cert.pem" "$out/key.pem" >/dev/null || fail "signing failed"
osslsigncode verify -in "$out/Corvexa.msi" -CAfile "$out/cert.pem" 2>&1 | grep -q '^Signature verification: ok' ||
  fail "the signed MSI does not verify"
echo "  ok: the signed MSI verifies"

# The attacker swaps the carried setup after the MSI was checked: a changed
# byte in the DOS stub keeps the setup working, so only the checksum stops it.
mkdir -p "$out/tamper/Binary"
cp "$out/again.msi" "$out/tamper/Tampered.msi"
msiinfo extract "$out/again.msi" Binary.CxRunner >"$out/tamper/Binary/CxRunner.ibd"
msiinfo extract "$out/again.msi" Binary.CxSetup >"$out/tamper/Binary/CxSetup.ibd"
offset=$(prop "$out/again.msi" CxInstallSetup | cut -d' ' -f1)
printf 't' | dd of="$out/tamper/Binary/CxSetup.ibd" bs=1 seek=$((offset + 0x4E)) conv=notrunc 2>/dev/null
printf 'Name\tData\r\ns72\tv0\r\nBinary\tName\r\nCxRunner\tCxRunner.ibd\r\nCxSetup\tCxSetup.ibd\r\n' >"$out/tamper/Binary.idt"
(cd "$out/tamper" && msibuild Tampered.msi -i Binary.idt) || fail "msibuild could not change the MSI"

e2e_begin msi en_US.UTF-8
dir="$DRIVE_C/$INSTALL_DIR_REL"
mkdir -p "$DRIVE_C/e2e"
cp "$out/Corvexa.msi" "$out/CorvexaNext.msi" "$out/Checks.msi" "$out/InUse.msi" "$out/tamper/Tampered.msi" "$DRIVE_C/e2e/"
msiexec() { run_quiet 300 'C:\windows\system32\msiexec.exe' "$@"; }
listed() { wine uninstaller --list 2>/dev/null | tr -d '\r' | sort | paste -sd' '; }
msi_key() { reg_query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" >/dev/null; }

log "msiexec /i Corvexa.msi /qn"
msiexec /i 'C:\e2e\Corvexa.msi' /qn /l*v 'C:\e2e\install.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_no_window_seen
expect_sample_installed "$CX_SAMPLE_SETUP"
expect_sample_registry_installed 1.0.0.1
expect_eq "installed programs" "KOVA_ZAVOzu|||Corvexa" "$(listed)"
msi_key "$code1" || fail "the MSI's registration is missing"
logfile="$DRIVE_C/e2e/install.log"
grep -qE 'CxInstallSetup: \| .*command line: "C:\\windows\\Temp\\CxMsi_[0-9a-f]{16}\\Setup.exe" /QUIET' "$logfile" ||
  fail "the setup did not run from the Windows Temp folder: $(grep -a 'CxInstallSetup' "$logfile" | head -5)"
grep -q 'CxInstallSetup: the setup ended with exit code 0 (success)' "$logfile" || fail "the outcome is not logged"
expect_eq "run folders left" "" "$(find "$DRIVE_C/windows/temp" -maxdepth 1 -name 'CxMsi_*')"
echo "  ok: the setup ran from C:\\windows\\Temp\\CxMsi_*, its log is in the MSI log, its folder is gone"

log "the same MSI again"
before=$(find "$dir" -printf '%P %s %T@\n' | sort)
msiexec /i 'C:\e2e\Corvexa.msi' /qn /l*v 'C:\e2e\again.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_eq "install folder" "$before" "$(find "$dir" -printf '%P %s %T@\n' | sort)"
! grep -q 'the setup ended' "$DRIVE_C/e2e/again.log" || fail "the setup ran again"
echo "  ok: the setup did not run"

log "the next version's MSI"
msiexec /i 'C:\e2e\CorvexaNext.msi' /qn /l*v 'C:\e2e\next.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_reg_value "$CX_UNINSTALL_KEY" 32 DisplayVersion REG_SZ 1.0.0.2
expect_file "$dir/TokenManager.exe"
expect_eq "installed programs" "KOVA_ZAVOzu|||Corvexa" "$(listed)"
msi_key "$code1" && fail "the old MSI's registration is still there"
msi_key "$code2" || fail "the new MSI's registration is missing"
echo "  ok: the new registration replaced the old one"

log "msiexec /x {ProductCode} /qn"
msiexec /x "$code2" /qn /l*v 'C:\e2e\remove.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_no_window_seen
expect_no_path "$dir"
expect_sample_registry_removed
expect_eq "installed programs" "" "$(listed)"
msi_key "$code2" && fail "the MSI's registration is still there"
grep -q 'CxUninstallSetup: the uninstall ended with exit code 0' "$DRIVE_C/e2e/remove.log" ||
  fail "the uninstall's outcome is not logged"
echo "  ok: nothing left, nor in the list of programs"

log "a failing package's MSI"
msiexec /i 'C:\e2e\Checks.msi' /qn /l*v 'C:\e2e\checks.log'
expect_eq "exit code" 1603 "$EXIT_CODE"
grep -q 'CxInstallSetup: the setup ended with exit code 1603 (an action failed); this action fails' \
  "$DRIVE_C/e2e/checks.log" || fail "the log does not name the failed action"
grep -qE 'CxInstallSetup: \| .*File: Copying .*missing\.txt.*: 0x00000002' "$DRIVE_C/e2e/checks.log" ||
  fail "the setup's failing line is not in the MSI log"
msi_key "$checks_code" && fail "the failed MSI is registered"
echo "  ok: 1603, the log names CxInstallSetup and the setup's failing action"

log "an MSI whose carried setup was changed"
msiexec /i 'C:\e2e\Tampered.msi' /qn /l*v 'C:\e2e\tampered.log'
expect_eq "exit code" 1603 "$EXIT_CODE"
grep -q 'the carried setup does not match its SHA-256 and was not run' "$DRIVE_C/e2e/tampered.log" ||
  fail "the log does not say why: $(grep -a CxInstallSetup "$DRIVE_C/e2e/tampered.log")"
expect_no_path "$dir"

log "a setup that leaves a file for the restart"
inuse="$DRIVE_C/Program Files (x86)/KOVA/CorvexaInUse"
mkdir -p "$inuse" && echo "the old content" >"$inuse/held.txt"
holder_out="$CX_E2E_WORK/prefixes/$TEST_NAME.holder"
wine "$CX_UIAUTO" hold 'C:\Program Files (x86)\KOVA\CorvexaInUse\held.txt' 120000 >"$holder_out" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$holder_out" && break; sleep 0.1; done
grep -q held "$holder_out" || fail "the file could not be held: $(cat "$holder_out")"
msiexec /i 'C:\e2e\InUse.msi' /qn
kill "$holder" 2>/dev/null || true
expect_eq "exit code (restart required)" 3010 "$EXIT_CODE"
rm -rf "$out"
