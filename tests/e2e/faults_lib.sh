# Common part of the fault tests (killed runs, a torn file, a full disk),
# sourced after lib.sh and registry_lib.sh: the sample product rebuilt with
# a large file, and the installed product's state as text to compare.
#
# Environment (set by CMake): CX_CXPACK (the host's cxpack), CX_SAMPLE_PACKAGE
# (the sample's assembled package folder), CX_SHELLREAD.
: "${CX_CXPACK:?CX_CXPACK names the host cxpack (make host)}"
: "${CX_SAMPLE_PACKAGE:?CX_SAMPLE_PACKAGE names the sample package folder}"
: "${CX_SHELLREAD:?CX_SHELLREAD names cx_shellread.exe}"
[ -x "$CX_CXPACK" ] || fail "no host cxpack at $CX_CXPACK (make host)"

PROGRAM_DIR="$DRIVE_C/$INSTALL_DIR_REL"
PROGRAM_DIR_WIN='C:\Program Files (x86)\KOVA\Corvexa'

# big_file PATH MIB SEED: MIB MiB of pseudo-random bytes, the same for a SEED.
big_file() {
  # openssl ends on the closed pipe once head has its bytes.
  (openssl enc -aes-128-ctr -pass "pass:$3" -nosalt -pbkdf2 </dev/zero 2>/dev/null || true) |
    head -c "$2M" >"$1"
}

# build_variant OUT MIB [VERSION]: the sample product with a "big.bin" of MIB
# MiB (seed "new") in its program folder, and VERSION as its version.
build_variant() {
  local out=$1 mib=$2 version=${3:-} stage="$CX_E2E_WORK/prefixes/$TEST_NAME.stage"
  rm -rf "$stage"
  cp -r "$CX_SAMPLE_PACKAGE" "$stage"
  big_file "$stage/PackageFiles/ProgramFiles(x86)/KOVA/Corvexa/big.bin" "$mib" new
  if [ -n "$version" ]; then
    sed -i "s|<Version>[^<]*</Version>|<Version>$version</Version>|" "$stage/PackageFiles/SetupScript.xml"
  fi
  "$CX_CXPACK" build "$stage" -o "$out" --stub "$CX_SAMPLE_SETUP" --no-lint || fail "cxpack build of the variant failed"
  rm -rf "$stage"
}

shellread() { wine "$CX_SHELLREAD" "$@" | tr -d '\r'; }

# The installed product as text: its files with their hashes, its registry
# values in both views, its links with their targets, its task and the
# machine's trusted roots.
product_state() {
  local key view link
  echo "## files"
  (cd "$PROGRAM_DIR" 2>/dev/null && find . -print0 | sort -z | xargs -0r -n1 sh -c \
    '[ -f "$1" ] && sha256sum "$1" || echo "folder $1"' _)
  for key in "$CX_UNINSTALL_KEY" 'HKLM\Software\KOVA' "$CX_CLASS_KEY"; do
    for view in 32 64; do
      echo "## $key ($view)"
      reg_query "$key" $view || echo "(none)"
    done
  done
  echo "## links"
  while IFS= read -r link; do
    echo "$link"
    shellread link "C:\\${link//\//\\}" || echo "(unreadable)"
  done < <(cd "$DRIVE_C" && find "ProgramData/Microsoft/Windows/Start Menu/Programs/KOVA" \
             "users/Public/Desktop" -name '*.lnk' 2>/dev/null | sort)
  echo "## task"
  shellread task "Corvexa Token Check" 2>&1 || true
  echo "## roots"
  { LANG=en_US.UTF-8 wine reg query 'HKLM\Software\Microsoft\SystemCertificates\ROOT\Certificates' 2>/dev/null ||
      echo "(none)"; } | tr -d '\r' | sort
}

# Ends the prefix's programs (the started token manager runs from the
# program folder) so that its files are free.
end_prefix_programs() {
  timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
}
