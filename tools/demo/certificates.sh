# The demo's certificate part, sourced by tools/demo.sh: the sample root CA
# in the local machine's ROOT store, listed with the package's own store
# tool (cx_certstore.exe). Needs $here, $win_dir, the demo's Wine prefix and
# lib.sh's fail.
#
#   demo_certificates present "after the install"
#   demo_certificates absent "after the uninstall"
demo_certificates() {
  local want=$1 when=$2 tool="$here/$win_dir/tools/cx_certstore.exe" found
  found=$(wine "$tool" list ROOT --match "Corvexa Sample Root CA" 2>/dev/null | tr -d '\r')
  if [ -n "$found" ]; then
    echo "  $when, the machine's ROOT store holds the sample root:"
    sed 's/^/    /' <<<"$found"
    [ "$want" = present ] || fail "the sample root is still in the ROOT store"
  else
    echo "  $when, the machine's ROOT store holds no \"Corvexa Sample Root CA\""
    [ "$want" = absent ] || fail "the sample root is not in the ROOT store"
  fi
}
