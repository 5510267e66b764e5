# The demo's certificate part, sourced by tools/demo.sh: the sample root CA
# in the local machine's ROOT store, listed with the package's own store
# tool (cx_certstore.exe). Needs $win_dir and the demo's Wine prefix.
#
#   demo_certificates "after the install"   (shows the root, or says it is missing)
#   demo_certificates "after the uninstall" (shows that it is gone)
demo_certificates() {
  local when=$1 tool="$here/$win_dir/tools/cx_certstore.exe" found
  found=$(wine "$tool" list ROOT --match "Corvexa Sample Root CA" 2>/dev/null | tr -d '\r')
  if [ -n "$found" ]; then
    echo "  $when, the machine's ROOT store holds the sample root:"
    sed 's/^/    /' <<<"$found"
  else
    echo "  $when, the machine's ROOT store holds no \"Corvexa Sample Root CA\""
  fi
}
