#!/usr/bin/env bash
# The product end to end, for a person to watch: builds the sample setup,
# installs it silently into a clean Wine prefix under Xvfb, shows what
# landed, then uninstalls it through the installed Uninstall.exe (its
# relaunched copy shows the uninstall page, which is clicked through) and
# shows that the product is gone; then installs and uninstalls it again as a
# deployment tool would (/QUIET, /LOG), and once more as an MSI through
# msiexec. Leaves nothing running.
#
# DEMO_LANG=zh_CN.UTF-8 (or zh_TW.UTF-8) shows the Chinese texts.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# Other build folders (both already configured) for trying the demo out:
# CX_DEMO_HOST_BUILD, CX_DEMO_WINDOWS_BUILD.
host_dir=${CX_DEMO_HOST_BUILD:-build/host}
win_dir=${CX_DEMO_WINDOWS_BUILD:-build/windows}
echo "== building (host packer, Windows setup)"
if [ -z "${CX_DEMO_HOST_BUILD:-}" ]; then cmake --preset host >/dev/null; fi
cmake --build "$host_dir" --target cxpack >/dev/null
if [ -z "${CX_DEMO_WINDOWS_BUILD:-}" ]; then cmake --preset windows >/dev/null; fi
cmake --build "$win_dir" --target CorvexaSetup cx_uiauto cx_shellread >/dev/null
cmake --build "$win_dir" --target CorvexaSetup cx_uiauto cx_certstore >/dev/null
cmake --build "$win_dir" --target cxsetup_stub cxsetup_msi_runner >/dev/null

# The end-to-end tests' work folder: its pristine prefix (made once) is
# copied into a clean prefix for the demo.
export CX_E2E_WORK="$here/$win_dir/tests/e2e/work"
export CX_E2E_ARTIFACTS="$here/$win_dir/demo"
export CX_UIAUTO="$here/$win_dir/tools/cx_uiauto.exe"
export CX_SHELLREAD="$here/$win_dir/tools/cx_shellread.exe"
SETUP="$here/$win_dir/examples/CorvexaSetup.exe"
SCRIPT="$here/examples/sample-product/PackageFiles/SetupScript.xml"
# shellcheck source=../tests/e2e/lib.sh
. "$here/tests/e2e/lib.sh"
# shellcheck source=demo/shortcuts_tasks.sh
. "$here/tools/demo/shortcuts_tasks.sh"
# shellcheck source=demo/certificates.sh
. "$here/tools/demo/certificates.sh"
# shellcheck source=demo/deploy.sh
. "$here/tools/demo/deploy.sh"
# shellcheck source=demo/screenshots.sh
. "$here/tools/demo/screenshots.sh"

echo "== the wizard's pages in zh_cn, en_us and zh_tw (pictures)"
demo_screenshots "$CX_E2E_ARTIFACTS/screenshots"
# shellcheck source=demo/msi.sh
. "$here/tools/demo/msi.sh"

echo "== a clean Wine prefix and display"
e2e_begin demo "${DEMO_LANG:-en_US.UTF-8}"
dir="$DRIVE_C/$INSTALL_DIR_REL"

demo_trusted_zone_before

echo
echo "== silent install: CorvexaSetup.exe /S"
setup=$(install_setup "$SETUP" CorvexaSetup.exe)
start_program SETUP_PID "$setup" /S
wait_exit "$SETUP_PID" 120
echo "setup ended with exit code $EXIT_CODE"
[ "$EXIT_CODE" -eq 0 ] || fail "the silent install failed"

echo
echo "== files in C:\\${INSTALL_DIR_REL//\//\\}"
(cd "$dir" && find . -type f -printf '  %-28P %9s bytes\n' | sort)

echo
echo "== registry"
# shellcheck source=demo/registry.sh
. "$here/tools/demo/registry.sh"
demo_registry_installed
echo
echo "== certificates"
demo_certificates present "after the install"

demo_shortcuts_tasks_installed

echo
echo "== running programs of the product"
ui procs TokenManager.exe | sed 's/^/  /'

echo
echo "== uninstall: C:\\${INSTALL_DIR_REL//\//\\}\\Uninstall.exe"
start_program LAUNCHER_PID 'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe'
wait_exit "$LAUNCHER_PID" 60
echo "Uninstall.exe ended at once (exit code $EXIT_CODE), having started its copy:"
wait_dialog
copy=$(ui procs Uninstallation_ | awk '{print $2}')
echo "  $copy shows \"$DIALOG_TITLE\": $(ui text 1001)"
screenshot demo-uninstall-page
echo "clicking \"$(ui text 1004)\""
ui click 1004
ui wait-ready 1005 120000 || fail "the uninstall did not finish"
echo "  $(ui text 1001)"
echo "clicking \"$(ui text 1005)\""
ui click 1005
ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy did not end"

echo
echo "== after the uninstall"
[ ! -e "$dir" ] || fail "the install folder is still there: $(find "$dir")"
echo "  C:\\${INSTALL_DIR_REL//\//\\} is gone"
[ ! -e "$DRIVE_C/Program Files (x86)/KOVA" ] && echo "  the empty vendor folder KOVA is gone too"
ui wait-no-process TokenManager.exe 10000 && echo "  the token manager is no longer running"
demo_certificates absent "after the uninstall"
if [ -e "$TEMP_DIR/$copy" ]; then
  echo "  $copy is listed for deletion at the next restart"
else
  echo "  $copy has deleted itself"
fi
demo_shortcuts_tasks_removed
echo
echo "== registry after the uninstall"
demo_registry_removed

demo_deploy "$setup" "$dir"

demo_msi "$here/$host_dir/tools/cxpack/cxpack" "$here/$win_dir/cxsetup_stub.exe" \
  "$here/$win_dir/examples/packages/corvexa_package" "$dir"

echo
echo "demo finished: installed, inspected and removed Corvexa, by hand, unattended and as an MSI"
