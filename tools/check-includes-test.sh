#!/usr/bin/env bash
# tools/check-includes.sh on small made-up trees: each case is a layer file
# and one include, and the answer the check must give.
set -uo pipefail
check="$(cd "$(dirname "$0")" && pwd)/check-includes.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

layers='low   src/low
mid   src/mid  : low
side  src/side : low
top   src/top  : mid'

# case NAME EXPECTED-EXIT EXPECTED-OUTPUT-PART FILE INCLUDE [EXTRA-LAYER-LINES]
case_() {
  local name=$1 want=$2 says=$3 file=$4 include=$5 extra=${6:-}
  local t="$work/$name"
  mkdir -p "$t/cmake" "$t/src/low" "$t/src/mid" "$t/src/side" "$t/src/top" "$t/src/new" "$(dirname "$t/$file")"
  printf '%s\n%s\n' "$layers" "$extra" >"$t/cmake/layers.txt"
  printf '// a file\n#include "%s"\n' "$include" >"$t/$file"
  local out got
  out=$("$check" "$t" 2>&1)
  got=$?
  if [ "$got" != "$want" ] || [[ "$out" != *"$says"* ]]; then
    echo "FAIL $name: exit $got (want $want), output: $out"
    failed=1
  fi
}

case_ down        0 ""                                    src/top/a.cpp  low/x.h
case_ own         0 ""                                    src/mid/a.cpp  mid/x.h
case_ up          1 "src/low/a.cpp:2: includes \"mid/x.h\": low may not include mid" \
                                                           src/low/a.cpp  mid/x.h
case_ up_two      1 "src/mid/a.cpp:2: includes \"top/x.h\"" src/mid/a.cpp  top/x.h
case_ beside      1 "side may not include mid (it is not below side)" \
                                                           src/side/a.cpp mid/x.h
case_ no_layer    1 "src/new/a.cpp: its folder belongs to no layer" \
                                                           src/new/a.cpp  low/x.h
case_ to_no_layer 1 "includes \"new/x.h\", whose folder belongs to no layer" \
                                                           src/low/a.cpp  new/x.h
case_ not_ours    0 ""                                    src/low/a.cpp  gtest/gtest.h
case_ listed      0 ""                                    src/low/a.cpp  mid/x.h \
                                                           "upward src/low/a.cpp mid/x.h"
case_ stale       1 "no longer occurs, remove the line: upward src/low/a.cpp top/x.h" \
                                                           src/low/a.cpp  mid/x.h \
                                                           "upward src/low/a.cpp mid/x.h
upward src/low/a.cpp top/x.h"
case_ bad_order   1 "layer late stands on later, which is not declared before it" \
                                                           src/low/a.cpp  low/x.h \
                                                           "late src/late : later
later src/later"
exit $failed
