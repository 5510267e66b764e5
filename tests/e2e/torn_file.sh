#!/usr/bin/env bash
# A torn file: the setup is ended by force half way through replacing a
# 200 MiB file. Afterwards the file is the old one or the new one, byte for
# byte, and nothing half-written lies beside it; the setup run again puts
# the new one in place.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
e2e_begin torn_file en_US.UTF-8
. "$(dirname "$0")/faults_lib.sh"

setup_file="$CX_E2E_WORK/prefixes/$TEST_NAME.TornSetup.exe"
build_variant "$setup_file" 200
setup=$(install_setup "$setup_file" TornSetup.exe)
rm -f "$setup_file"
old_hash=$(big_file /dev/stdout 200 old | sha256sum | cut -d' ' -f1)
new_hash=$(big_file /dev/stdout 200 new | sha256sum | cut -d' ' -f1)
mkdir -p "$PROGRAM_DIR"
big_file "$PROGRAM_DIR/big.bin" 200 old

log "killed with 100 MiB of the new file written"
# Into a file, not a pipe: a program the killed setup started, or a debugger
# Wine starts for it, would hold a pipe open, and reading it would never end.
wine "$CX_UIAUTO" killrun 300000 "size=$((100 << 20))@$PROGRAM_DIR_WIN\\big.bin" "$setup" /QUIET \
  '/LOG=C:\e2e\torn.log' >"$WINEPREFIX/killrun.out" 2>>"$WINEPREFIX/e2e-programs.log" </dev/null
out=$(tr -d '\r' <"$WINEPREFIX/killrun.out")
expect_eq "the setup's end" killed "$out"
end_prefix_programs
hash=$(sha256sum "$PROGRAM_DIR/big.bin" 2>/dev/null | cut -d' ' -f1)
case $hash in
  "$old_hash") echo "  ok: big.bin is the old file, byte for byte" ;;
  "$new_hash") echo "  ok: big.bin is the new file, byte for byte" ;;
  *) fail "big.bin is torn: $(stat -c %s "$PROGRAM_DIR/big.bin" 2>/dev/null) bytes, neither old nor new ($(ls "$PROGRAM_DIR"))" ;;
esac
left=$(ls "$PROGRAM_DIR" | grep -v -x -e big.bin -e Res -e ReadMe.txt -e TokenManager.exe || true)
[ -z "$left" ] || fail "left beside it: $left"
echo "  ok: nothing half-written beside it"

log "run again"
run_quiet 300 "$setup" /QUIET '/LOG=C:\e2e\again.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_eq "big.bin" "$new_hash" "$(sha256sum "$PROGRAM_DIR/big.bin" | cut -d' ' -f1)"
