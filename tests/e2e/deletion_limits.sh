#!/usr/bin/env bash
# Deletions that must stay inside their target, in this test's own prefix.
# The setup is started from a folder on C: (Wine maps Z: to the host's
# root), and every Unix link in the prefix (Wine links profile folders to
# the host's home) is first replaced by a plain folder, so that a setup that
# failed to refuse could reach nothing outside the prefix.
#  - DelDir of a tree that holds links to a folder and a file elsewhere: the
#    tree's own files go, what the links point to stays.
#  - DelDir of C:\ (install list) and of C:\windows (its finish list): each
#    refused, the install ends with 1603, and the prefix is intact.
#  - /UNINSTALL: DelDir of "$(ToolDir)\" with ToolDir defined empty: refused.
. "$(dirname "$0")/lib.sh"
e2e_begin deletion_limits en_US.UTF-8
while IFS= read -r -d '' link; do
  rm -f "$link"
  mkdir -p "$link"
done < <(find "$DRIVE_C" -type l -print0)
[ -z "$(find "$DRIVE_C" -type l)" ] || fail "links left in the prefix"
setup=$(install_setup "$CX_LIMITS_SETUP" LimitsSetup.exe)

mkdir -p "$DRIVE_C/victims/folder" "$DRIVE_C/e2e/tree/sub"
echo kept >"$DRIVE_C/victims/folder/kept.txt"
echo kept >"$DRIVE_C/victims/file.txt"
echo gone >"$DRIVE_C/e2e/tree/a.txt"
echo gone >"$DRIVE_C/e2e/tree/sub/b.txt"
ln -s ../../victims/folder "$DRIVE_C/e2e/tree/folderlink"
ln -s ../../victims/file.txt "$DRIVE_C/e2e/tree/filelink"
# The prefix three levels deep, without what a run writes.
snapshot() {
  (cd "$DRIVE_C" && find . -maxdepth 3 \( -path ./e2e -o -path ./windows/temp -o -path './users/*/Temp' \
    -o -path ./windows/Installer \) -prune -o -print | sort)
}
before=$(snapshot)

cd "$DRIVE_C/e2e"
run_quiet 180 "$setup" /QUIET '/LOG=C:\e2e\install.log'
expect_eq "install exit code (an action refused)" 1603 "$EXIT_CODE"
grep -q 'DelDir: Deleting folder C:\\: 0xE060000A (CX_E_DELETE_REFUSED' install.log ||
  fail "the refusal of C:\\ is not in the log: $(cat install.log)"
grep -q 'finish list: 0xE060000A (CX_E_DELETE_REFUSED' install.log ||
  fail "the finish list's refusal of C:\\windows is not in the log"
echo "  ok: C:\\ and C:\\windows refused"
expect_no_path "$DRIVE_C/e2e/tree/a.txt"
expect_no_path "$DRIVE_C/e2e/tree/sub"
expect_eq "the folder behind a link" kept "$(cat "$DRIVE_C/victims/folder/kept.txt")"
expect_eq "the file behind a link" kept "$(cat "$DRIVE_C/victims/file.txt")"

run_quiet 180 "$setup" /UNINSTALL /QUIET '/LOG=C:\e2e\uninstall.log'
expect_eq "uninstall exit code (an action refused)" 1603 "$EXIT_CODE"
grep -q 'DelDir: Deleting folder \\: 0xE060000A (CX_E_DELETE_REFUSED' uninstall.log ||
  fail "the refusal of \"\\\" is not in the log: $(cat uninstall.log)"
echo "  ok: \"\$(ToolDir)\\\" refused"
diff <(echo "$before") <(snapshot) || fail "the prefix changed"
echo "  ok: the prefix is intact"
