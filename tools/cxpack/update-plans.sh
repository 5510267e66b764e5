#!/usr/bin/env bash
# Rewrites the reviewed plans of the sample product (tests/data/plan) with
# the current cxpack, after a deliberate change to the sample script or to
# the planner. Review the diff before committing it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake --preset host >/dev/null
cmake --build --preset host --target cxpack >/dev/null
tool="$root/build/host/tools/cxpack/cxpack"
out="$root/tests/data/plan"
mkdir -p "$out"
for mode in install uninstall; do
  for lang in zh_cn en_us zh_tw; do
    for os in 64 32; do
      "$tool" plan "$root/examples/sample-product" --mode $mode --lang $lang --os $os \
        > "$out/$mode-$lang-$os.txt"
    done
  done
done
"$tool" plan "$root/examples/sample-product" --json > "$out/install-en_us-64.json"
echo "wrote $(ls "$out" | wc -l) plans to $out; review: git diff -- tests/data/plan"
