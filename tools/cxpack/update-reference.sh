#!/usr/bin/env bash
# Rewrites docs/script-reference.md from the program's own vocabulary
# (`cxpack help script`), after a change to the vocabulary or to the
# reference's prose. The host ctest entry cxpack.reference fails until it is
# current; review the change with git diff before committing it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake --preset host >/dev/null
cmake --build --preset host --target cxpack >/dev/null
"$root/build/host/tools/cxpack/cxpack" help script >"$root/docs/script-reference.md"
echo "wrote docs/script-reference.md; review: git diff -- docs/script-reference.md"
