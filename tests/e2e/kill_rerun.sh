#!/usr/bin/env bash
# Kill and run again. The sample product, with a 48 MiB big.bin so that its
# File copy takes a while, is installed with /QUIET /LOG and ended by force
# at points taken from a clean run's log (the moment an action's result line
# appears) and once in the middle of copying big.bin. After each kill the
# same setup runs again in the same prefix: it exits 0 or 3010, says that
# the previous install did not finish, and leaves the machine as the clean
# install did (files and hashes, registry values in both views, links,
# task, trusted roots). CI kills at a few points; CX_KILL_POINTS=all (make
# test-faults) at all 20. Prints the table (point, re-run exit code, state)
# and keeps it among the artifacts.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/registry_lib.sh"
e2e_begin kill_rerun en_US.UTF-8
. "$(dirname "$0")/faults_lib.sh"

# Action numbers of the sample's install list (34 on a 64-bit Windows):
# 2 the second KillProcess, 4 Uninstall.exe, 5-7 links, 8-9 the task,
# 11 the provider (File and regsvr32), 12-20 its settings, 21-32 the
# uninstall entry (22 DisplayVersion, 32 NoRepair), 33 the root.
ALL_POINTS="copy 1 2 3 4 5 6 7 8 9 10 11 12 16 21 22 26 31 32 33"
CI_POINTS="copy 10 22 32"
points=$CI_POINTS
[ "${CX_KILL_POINTS:-}" = all ] && points=$ALL_POINTS

setup_file="$CX_E2E_WORK/prefixes/$TEST_NAME.KillSetup.exe"
build_variant "$setup_file" 48

new_prefix() {
  end_prefix_programs
  copy_prefix "$WINEPREFIX"
  ui list >/dev/null || fail "Wine does not start in $WINEPREFIX"
  SETUP=$(install_setup "$setup_file" KillSetup.exe)
}

log "a clean install: the state to reach and the log to take the points from"
new_prefix
run_quiet 300 "$SETUP" /QUIET '/LOG=C:\e2e\clean.log'
expect_eq "clean install's exit code" 0 "$EXIT_CODE"
clean_state=$(product_state)
echo "$clean_state" >"$CX_E2E_ARTIFACTS/kill_rerun-clean-state.txt"
grep -q "^## files" <<<"$clean_state" && grep -q "big.bin" <<<"$clean_state" || fail "no clean state: $clean_state"
mapfile -t action_lines < <(grep -nE '  [A-Za-z]+: .*: 0x[0-9A-F]{8} \(' "$DRIVE_C/e2e/clean.log" | cut -d: -f1)
echo "  ok: ${#action_lines[@]} actions in the clean run's log"
[ "${#action_lines[@]}" -ge 33 ] || fail "too few actions in the log"

table=""
failed=0
for point in $points; do
  log "kill point $point"
  new_prefix
  if [ "$point" = copy ]; then
    trigger="size=$((24 << 20))@$PROGRAM_DIR_WIN\\big.bin"
  else
    trigger="lines=${action_lines[$((point - 1))]}@C:\\e2e\\kill.log"
  fi
  # Into a file, not a pipe: a program the killed setup started, or a debugger
  # Wine starts for it, would hold a pipe open, and reading it would never end.
  wine "$CX_UIAUTO" killrun 300000 "$trigger" "$SETUP" /QUIET '/LOG=C:\e2e\kill.log' \
    >"$WINEPREFIX/killrun.out" 2>>"$WINEPREFIX/e2e-programs.log" </dev/null
  out=$(tr -d '\r' <"$WINEPREFIX/killrun.out")
  [ "$out" = killed ] || fail "point $point: the setup was not killed: $out"
  # The last action whose result was logged: its number, name and the end
  # of its description.
  last=$(grep -oE '  [A-Za-z]+: .*: 0x[0-9A-F]{8} \(' "$DRIVE_C/e2e/kill.log" |
         sed -E 's/^  ([A-Za-z]+): .*(.{24}): 0x.*/\1 ...\2/' | awk '{ n = NR; l = $0 } END { if (n) print n ": " l }')
  end_prefix_programs
  run_quiet 300 "$SETUP" /QUIET '/LOG=C:\e2e\rerun.log'
  code=$EXIT_CODE
  state=$(product_state)
  verdict=equal
  if [ "$state" != "$clean_state" ]; then
    verdict=DIFFERENT
    diff <(echo "$clean_state") <(echo "$state") >&2 || true
  fi
  case $code in 0 | 3010) ;; *) verdict="$verdict, bad exit code" ;; esac
  grep -q 'installed-version state: previous install did not finish' "$DRIVE_C/e2e/rerun.log" ||
    verdict="$verdict, not seen as unfinished"
  # The killed run's package folder goes with the re-run's sweep of leftovers.
  compgen -G "$DRIVE_C/windows/temp/CxKeyPackage_*" >/dev/null && verdict="$verdict, package folder left"
  [ "$verdict" = equal ] || failed=1
  table+=$(printf '%-6s %-50s %-6s %s' "$point" "${last:-(no action yet)}" "$code" "$verdict")$'\n'
done

{
  echo "kill point, last action logged before the kill, re-run exit code, state"
  printf '%s' "$table"
} | tee "$CX_E2E_ARTIFACTS/kill_rerun-table.txt"
[ "$failed" -eq 0 ] || fail "a re-run did not reach the clean install's state"
