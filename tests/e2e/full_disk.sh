#!/usr/bin/env bash
# A full disk: the program folder is a small tmpfs mounted into the prefix
# (as root). The sample product fits; an upgrade carrying a 12 MiB file
# does not: it exits 1603 with the file and the room it needs in the log,
# and the installed files stay as they were, with nothing half-written
# beside them. Once the tmpfs is larger, the same upgrade exits 0.
. "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "skipped: mounting a small disk needs root"; exit 77; }
. "$(dirname "$0")/registry_lib.sh"
e2e_begin full_disk en_US.UTF-8
. "$(dirname "$0")/faults_lib.sh"

unmount() {
  local rc=$?
  end_prefix_programs
  mountpoint -q "$PROGRAM_DIR" && umount "$PROGRAM_DIR"
  (exit "$rc")
  e2e_end
}
trap unmount EXIT
mkdir -p "$PROGRAM_DIR"
mount -t tmpfs -o size=8m tmpfs "$PROGRAM_DIR" || fail "cannot mount a tmpfs at $PROGRAM_DIR"

log "the sample product on an 8 MiB disk"
setup=$(install_setup "$CX_SAMPLE_SETUP" CorvexaSetup.exe)
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\install.log'
expect_eq "exit code" 0 "$EXIT_CODE"
files() { (cd "$PROGRAM_DIR" && find . -type f -print0 | sort -z | xargs -0r sha256sum); }
before=$(files)

log "an upgrade that does not fit"
upgrade_file="$CX_E2E_WORK/prefixes/$TEST_NAME.Upgrade.exe"
build_variant "$upgrade_file" 12 9.9.9.9
upgrade=$(install_setup "$upgrade_file" Upgrade.exe)
run_quiet 180 "$upgrade" /QUIET '/LOG=C:\e2e\full.log'
expect_eq "exit code" 1603 "$EXIT_CODE"
grep -F 'not enough disk space for C:\Program Files (x86)\KOVA\Corvexa\big.bin: 12582912 bytes needed' \
  "$DRIVE_C/e2e/full.log" || fail "the log does not name the file and its size: $(cat "$DRIVE_C/e2e/full.log")"
expect_eq "the installed files" "$before" "$(files)"

log "the same upgrade on a larger disk"
end_prefix_programs
mount -o remount,size=64m "$PROGRAM_DIR" || fail "cannot enlarge the tmpfs"
run_quiet 180 "$upgrade" /QUIET '/LOG=C:\e2e\again.log'
expect_eq "exit code" 0 "$EXIT_CODE"
expect_eq "big.bin's size" 12582912 "$(stat -c %s "$PROGRAM_DIR/big.bin")"
