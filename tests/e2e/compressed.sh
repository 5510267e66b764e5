#!/usr/bin/env bash
# A setup whose package is compressed: each kind of damage to the package
# fails an unattended run with exit code 1620 and the damaged-package log
# line, with nothing installed and no package folder left; the sound setup
# installs its tree (an empty file, an empty folder, a 1-byte file, a file
# larger than the decoder's window) byte for byte, and the large file copied
# alone too.
. "$(dirname "$0")/lib.sh"
e2e_begin compressed en_US.UTF-8
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaCompressed"
files="$CX_COMPRESSED_PACKAGE/PackageFiles/Files"
stub=$(install_setup "$CX_SETUP_STUB" stub.exe)

for kind in checksum truncated size bomb table; do
  log "damaged package: $kind"
  wine "$CX_DAMAGE_SETUP" "$stub" "Z:$CX_COMPRESSED_PACKAGE" $kind "C:\\e2e\\Damaged-$kind.exe" ||
    fail "cx_damage_setup $kind failed"
  run_quiet 120 "C:\\e2e\\Damaged-$kind.exe" /QUIET "/LOG=C:\\e2e\\damaged-$kind.log"
  expect_eq "exit code ($kind)" 1620 "$EXIT_CODE"
  expect_no_window_seen
  expect_no_path "$dir"
  expect_no_package_folder
  grep -q 'the embedded package could not be extracted or its script loaded' "$DRIVE_C/e2e/damaged-$kind.log" ||
    fail "the log does not say why: $(cat "$DRIVE_C/e2e/damaged-$kind.log")"
done

log "the sound package"
setup=$(install_setup "$CX_COMPRESSED_SETUP" CompressedSetup.exe)
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\compressed.log'
expect_eq "exit code" 0 "$EXIT_CODE"
diff -r "$files" "$dir/Files" || fail "the installed tree differs from the package's"
[ -d "$dir/Files/Empty" ] && [ -f "$dir/Files/empty.txt" ] && [ ! -s "$dir/Files/empty.txt" ] ||
  fail "the empty folder or the empty file is missing"
cmp "$files/large.bin" "$dir/Alone/large.bin" || fail "the large file copied alone differs"
echo "  ok: the tree and the large file, byte for byte"
expect_no_package_folder
