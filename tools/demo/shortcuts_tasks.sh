# The demo's part for shortcuts, the scheduled task and the trusted site:
# sourced by tools/demo.sh after lib.sh (needs DRIVE_C and CX_SHELLREAD).
# Each function prints what the sample product left in the shell, read back
# through IShellLinkW, ITask and the URL zone managers.

DEMO_APP='C:\Program Files (x86)\KOVA\Corvexa'
DEMO_MENU='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\KOVA\Corvexa'
DEMO_DESKTOP='C:\users\Public\Desktop'
DEMO_TASK="Corvexa Token Check"
DEMO_SITE="http://enrol.kova.example"

demo_shellread() { wine "$CX_SHELLREAD" "$@" 2>&1 | tr -d '\r'; }

# The trusted zone's flags before the install, to compare with afterwards.
demo_trusted_zone_before() {
  DEMO_ZONE_BEFORE=$(demo_shellread zone "$DEMO_SITE" | sed -n 's/^trusted zone flags: //p')
}

demo_shortcuts_tasks_installed() {
  local link
  echo
  echo "== shortcuts (read back through IShellLinkW)"
  for link in "$DEMO_MENU\\Corvexa Token Manager.lnk" "$DEMO_MENU\\Uninstall Corvexa.lnk" \
    "$DEMO_DESKTOP\\Corvexa Token Manager.lnk"; do
    echo "  $link"
    demo_shellread link "$link" | sed 's/^/      /'
  done
  echo
  echo "== scheduled task \"$DEMO_TASK\" (read back through ITask)"
  demo_shellread task "$DEMO_TASK" | sed 's/^/  /'
  echo
  echo "== trusted site $DEMO_SITE"
  local zone
  zone=$(demo_shellread zone "$DEMO_SITE")
  sed 's/^/  /' <<<"$zone"
  echo "  (before the install: $DEMO_ZONE_BEFORE)"
  if grep -q '^zone of .*: 2 ' <<<"$zone"; then
    echo "  the site is in the trusted zone"
  else
    echo "  the site is not in the trusted zone: Wine answers E_NOTIMPL to SetZoneMapping,"
    echo "  the add failed without stopping the run, and the zone's flags are as before"
  fi
}

demo_shortcuts_tasks_removed() {
  local link
  for link in "$DEMO_MENU\\Corvexa Token Manager.lnk" "$DEMO_DESKTOP\\Corvexa Token Manager.lnk"; do
    if demo_shellread link "$link" >/dev/null; then
      echo "  $link is still there"
    else
      echo "  $link is gone"
    fi
  done
  [ ! -e "$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/KOVA" ] &&
    echo "  the menu folder KOVA is gone"
  if demo_shellread task "$DEMO_TASK" >/dev/null; then
    echo "  the task \"$DEMO_TASK\" is still there"
  else
    echo "  the task \"$DEMO_TASK\" is gone"
  fi
  echo "  $(demo_shellread zone "$DEMO_SITE" | sed -n 's/^trusted zone flags/trusted zone flags/p')"
}
