#!/usr/bin/env bash
# Fails on every #include "x/..." that runs against the layers of
# cmake/layers.txt: from a layer to one above it or beside it. Checks the
# files of src/ and of the tool folders named there; a folder of src/ that
# belongs to no layer is a failure too, and so is a listed upward include
# that no longer occurs (its line is to go).
#
#   tools/check-includes.sh [TREE [LAYER_FILE]]
#
# TREE defaults to this script's tree, LAYER_FILE to TREE/cmake/layers.txt.
set -euo pipefail

tree=${1:-$(cd "$(dirname "$0")/.." && pwd)}
layers=${2:-$tree/cmake/layers.txt}
cd "$tree"
[ -f "$layers" ] || { echo "check-includes: no layer file $layers" >&2; exit 2; }

# Every folder of src/, and the source files: src/ and the folders the
# layer file names outside it.
dirs=$(mktemp)
trap 'rm -f "$dirs"' EXIT
find src -type d | sort >"$dirs"
others=$(awk '/^[a-z]/ && $1 != "upward" {
  for (i = 2; i <= NF && $i != ":"; i++) if ($i !~ /^src\//) print $i }' "$layers")
# shellcheck disable=SC2086  # folder names have no spaces
files=$(find src $others -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort)

awk -v layerFile="$layers" '
  function fail(text) { print text; failures++ }
  # The layer of a folder path: the longest declared folder that holds it.
  function layerOf(path,   p) {
    for (p = path; p != ""; ) {
      if (p in dirLayer) return dirLayer[p]
      if (p !~ /\//) return ""
      sub(/\/[^\/]*$/, "", p)
    }
    return ""
  }
  function folder(path,   p) { p = path; sub(/\/[^\/]*$/, "", p); return p }
  # May layer a include from layer b: itself, or one below it at any depth.
  function allows(a, b,   i, n, parts) {
    if (a == b) return 1
    if ((a SUBSEP b) in reach) return reach[a, b]
    reach[a, b] = 0
    n = split(below[a], parts, " ")
    for (i = 1; i <= n; i++) if (allows(parts[i], b)) { reach[a, b] = 1; break }
    return reach[a, b]
  }

  FILENAME == layerFile {
    if ($0 !~ /^[a-z]/) next
    if ($1 == "upward") { upward[$2, $3] = FNR; upwardLine[$2, $3] = $0; next }
    name = $1
    onBelow = 0
    for (i = 2; i <= NF; i++) {
      if ($i == ":") { onBelow = 1; continue }
      if (onBelow) {
        if (!($i in declared)) fail(layerFile ":" FNR ": layer " name " stands on " $i ", which is not declared before it")
        below[name] = below[name] " " $i
      } else dirLayer[$i] = name
    }
    declared[name] = 1
    next
  }
  FNR == 1 && !dirsRead { dirsRead = 1; dirsFile = FILENAME }
  FILENAME == dirsFile { srcDir[$0] = 1; next }

  FILENAME != current {
    current = FILENAME
    from = layerOf(folder(FILENAME))
    if (from == "" && FILENAME ~ /^src\//)
      fail(FILENAME ": its folder belongs to no layer of " layerFile)
  }
  from != "" && /^[ \t]*#[ \t]*include[ \t]*"[^"]*\/[^"]*"/ {
    header = $0
    sub(/^[^"]*"/, "", header)
    sub(/".*$/, "", header)
    to = layerOf(folder("src/" header))
    if (to == "") {
      top = header
      sub(/\/.*$/, "", top)
      if (("src/" top) in srcDir) {
        fail(FILENAME ":" FNR ": includes \"" header "\", whose folder belongs to no layer of " layerFile)
        next
      }
      to = layerOf(folder(header))  # a tool folder, from the top of the tree
      if (to == "") next            # not ours
    }
    if (allows(from, to)) next
    if ((FILENAME SUBSEP header) in upward) { seen[FILENAME, header] = 1; next }
    fail(FILENAME ":" FNR ": includes \"" header "\": " from " may not include " to \
         " (" (allows(to, from) ? "it stands above " from : "it is not below " from) ")")
  }

  END {
    for (k in upward)
      if (!(k in seen))
        fail(layerFile ":" upward[k] ": no longer occurs, remove the line: " upwardLine[k])
    if (failures) {
      print failures " include(s) against the layers of " layerFile
      exit 1
    }
  }
' "$layers" "$dirs" $files
