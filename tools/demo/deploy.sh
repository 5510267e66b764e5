# The demo's unattended-deployment part, sourced by tools/demo.sh (after
# lib.sh and e2e_begin): the install and the uninstall as a deployment tool
# runs them, with /QUIET and /LOG, their exit codes and their logs.
demo_deploy() {
  local setup=$1 dir=$2
  echo
  echo "== unattended install: CorvexaSetup.exe /QUIET /LOG=C:\\e2e\\install.log"
  run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\install.log'
  echo "exit code $EXIT_CODE; windows shown: ${WINDOWS_SEEN:-none}"
  [ "$EXIT_CODE" -eq 0 ] || fail "the unattended install failed"
  sed 's/^/  /' "$DRIVE_C/e2e/install.log"

  echo
  echo "== unattended uninstall: \"Uninstall.exe\" /QUIET /LOG=C:\\e2e\\uninstall.log"
  run_quiet 300 --watch uninstallation_ 'C:\Program Files (x86)\KOVA\Corvexa\Uninstall.exe' /QUIET '/LOG=C:\e2e\uninstall.log'
  echo "exit code $EXIT_CODE; windows shown: ${WINDOWS_SEEN:-none}"
  [ "$EXIT_CODE" -eq 0 ] || fail "the unattended uninstall failed"
  [ ! -e "$dir" ] && echo "  the install folder was gone when the command returned"
  ui wait-no-process Uninstallation_ 60000 || fail "the uninstaller copy did not end"
  sleep 1
  sed 's/^/  /' "$DRIVE_C/e2e/uninstall.log"
}
