#!/usr/bin/env bash
# Compressed packages under Wine. cxpack.exe packs the end-to-end package
# compressed, lists it and extracts it as it was. Each kind of damage to a
# setup's compressed package fails an unattended run with exit code 1620 and
# the damaged-package log line, with nothing installed and no package
# folder left. The sound setup installs its tree (an empty file, an empty
# folder, a 1-byte file, a file larger than the decoder's window) byte for
# byte, and the large file copied alone too.
. "$(dirname "$0")/lib.sh"
e2e_begin compressed en_US.UTF-8
dir="$DRIVE_C/Program Files (x86)/KOVA/CorvexaCompressed"
files="$CX_COMPRESSED_PACKAGE/PackageFiles/Files"
stub=$(install_setup "$CX_SETUP_STUB" stub.exe)

log "cxpack.exe: pack --compress, list, extract"
cxpack() { wine "$CX_CXPACK_EXE" "$@" 2>&1 | tr -d '\r'; }
out="$DRIVE_C/e2e/extracted"
cxpack pack "Z:$CX_COMPRESSED_PACKAGE" -o 'C:\e2e\package.cxz' --compress
[ -f "$DRIVE_C/e2e/package.cxz" ] || fail "cxpack.exe wrote no package"
listed=$(cxpack list 'C:\e2e\package.cxz')
grep -qx '\\PackageFiles\\Files\\Empty\\.0' <<<"${listed//$'\t'/.}" || fail "the list lacks the empty folder: $listed"
cxpack extract 'C:\e2e\package.cxz' 'C:\e2e\extracted'
diff -r "$CX_COMPRESSED_PACKAGE" "$out" || fail "what cxpack.exe extracted differs from the package folder"
echo "  ok: packed, listed and extracted under Wine, byte for byte"

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

# Built to lie, with checksums to match: the decoding stops the copy where
# the frame's declaration ends, and the run fails.
for kind in lying-size lying-bomb; do
  log "package built to lie: $kind"
  wine "$CX_DAMAGE_SETUP" "$stub" "Z:$CX_COMPRESSED_PACKAGE" $kind "C:\\e2e\\Damaged-$kind.exe" ||
    fail "cx_damage_setup $kind failed"
  run_quiet 120 "C:\\e2e\\Damaged-$kind.exe" /QUIET "/LOG=C:\\e2e\\damaged-$kind.log"
  [ "$EXIT_CODE" != 0 ] || fail "$kind: the run succeeded"
  echo "  exit code $EXIT_CODE"
  expect_no_package_folder
  if [ -d "$dir/Files" ]; then
    diff -r "$files" "$dir/Files" >/dev/null 2>&1 && fail "$kind: a lying frame's file was installed whole"
    find "$dir/Files" -type f | while read -r f; do
      want="$files/${f#"$dir/Files/"}"
      [ ! -f "$want" ] || [ "$(stat -c %s "$f")" -le "$(stat -c %s "$want")" ] || fail "$kind: $f grew past its size"
    done
  fi
  rm -rf "$dir"
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
