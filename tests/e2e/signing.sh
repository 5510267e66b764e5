#!/usr/bin/env bash
# Authenticode: a setup signed by tools/sign-setup.sh with a certificate made
# here verifies with osslsigncode, still installs, and the Uninstall.exe it
# installs verifies too; a changed byte breaks the signature.
. "$(dirname "$0")/lib.sh"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (make deps)"
e2e_begin signing en_US.UTF-8
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

setup=$(install_setup "$work/CorvexaSetup.exe" CorvexaSetup.exe)
run_quiet 180 "$setup" /QUIET
expect_eq "signed setup's exit code" 0 "$EXIT_CODE"
verify "$DRIVE_C/$INSTALL_DIR_REL/Uninstall.exe" || fail "the installed Uninstall.exe does not verify"
echo "  ok: the installed Uninstall.exe verifies"
rm -rf "$work"
