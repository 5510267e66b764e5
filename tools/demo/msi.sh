# The demo's MSI part, sourced by tools/demo.sh (after lib.sh and
# e2e_begin): `cxpack msi` writes the sample's MSI natively, then Wine's
# msiexec installs it and removes it again, as Group Policy would.
demo_msi() {
  local cxpack=$1 stub=$2 package=$3 dir=$4 msi="$DRIVE_C/e2e/Corvexa.msi" code
  echo
  echo "== cxpack msi: the sample's setup as an MSI"
  "$cxpack" msi "$package" -o "$msi" --stub "$stub" || fail "cxpack msi failed"
  echo "  $(stat -c %s "$msi") bytes; its tables, as msiinfo reads them:"
  msiinfo suminfo "$msi" | sed -n 's/^\(Subject\|Author\|Template\|Revision number (UUID)\): /    summary \1: /p'
  msiinfo export "$msi" Property | tr -d '\r' | tail -n +4 | sed 's/^/    Property /'
  msiinfo export "$msi" CustomAction | tr -d '\r' | tail -n +4 | sed 's/^/    CustomAction /'
  code=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')

  echo
  echo "== msiexec /i C:\\e2e\\Corvexa.msi /qn"
  run_quiet 300 'C:\windows\system32\msiexec.exe' /i 'C:\e2e\Corvexa.msi' /qn /l*v 'C:\e2e\msi-install.log'
  echo "exit code $EXIT_CODE; windows shown: ${WINDOWS_SEEN:-none}"
  [ "$EXIT_CODE" -eq 0 ] || fail "msiexec /i failed"
  echo "  the MSI log's lines of the custom action (first ten):"
  grep -a 'CxInstallSetup: ' "$DRIVE_C/e2e/msi-install.log" | head -10 | sed 's/^/    /'
  echo "  installed programs (wine uninstaller --list): $(wine uninstaller --list 2>/dev/null | tr -d '\r')"
  (cd "$dir" && find . -type f -printf '    %P\n' | sort)

  echo
  echo "== msiexec /x $code /qn"
  run_quiet 300 'C:\windows\system32\msiexec.exe' /x "$code" /qn /l*v 'C:\e2e\msi-remove.log'
  echo "exit code $EXIT_CODE; windows shown: ${WINDOWS_SEEN:-none}"
  [ "$EXIT_CODE" -eq 0 ] || fail "msiexec /x failed"
  grep -a 'CxUninstallSetup: [^|]' "$DRIVE_C/e2e/msi-remove.log" | sed 's/^/    /'
  [ ! -e "$dir" ] && echo "  the install folder is gone"
  echo "  installed programs: $(wine uninstaller --list 2>/dev/null | tr -d '\r' | wc -l)"
}
