#!/usr/bin/env bash
# Runs every command README.md shows in an `sh` block, in order and in one
# shell, from the top of the source tree, as a new user would, and fails when
# one of them fails (naming each). Skipped: lines marked "needs a network",
# and the test commands (`make test`, `ctest`), which are what runs this.
# One path is moved: the release prefix /opt/cxsetup becomes a scratch folder.
# Long runs are kept short: FUZZ_SECONDS and PACK_BENCH_FOLDERS.
#   tools/readme-commands-test.sh [README]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
readme=${1:-$root/README.md}
cd "$root"
scratch=$(mktemp -d /tmp/cxsetup-readme.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export FUZZ_SECONDS=2 PACK_BENCH_FOLDERS=1

# The lines of ```sh blocks (fences may be indented, as in a list).
mapfile -t commands < <(awk '
  /^ *```sh *$/ { inside = 1; next }
  /^ *```/ { inside = 0; next }
  inside { sub(/^ +/, ""); if ($0 != "") print }' "$readme")
[ "${#commands[@]}" -gt 0 ] || { echo "no sh blocks in $readme" >&2; exit 1; }

# What the commands write is made again: cxpack init writes only into a new folder.
rm -rf out/my-product out/extracted

failed=()
ran=0
for command in "${commands[@]}"; do
  if [[ $command == *"needs a network"* || $command =~ ^make\ test || $command =~ (^|[ /])ctest\  ]]; then
    echo "skipped: $command"
    continue
  fi
  line=${command//\/opt\/cxsetup/$scratch/opt/cxsetup}
  echo "\$ $line"
  ran=$((ran + 1))
  if ! eval "$line" >"$scratch/output" 2>&1; then
    tail -n 20 "$scratch/output" | sed 's/^/    /'
    failed+=("$command")
  fi
done
echo "ran $ran commands of README.md, ${#failed[@]} failed"
for command in "${failed[@]}"; do echo "FAILED: $command"; done
[ "${#failed[@]}" -eq 0 ]
