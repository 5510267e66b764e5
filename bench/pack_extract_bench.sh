#!/usr/bin/env bash
# Packs and extracts a product-sized tree (about 512 MiB in 2000 files) with
# cxpack and prints each time divided by the time `cp -r` takes to copy the
# same tree in the same run. Target: both ratios at most 1.3.
#   bench/pack_extract_bench.sh PATH/TO/cxpack [WORK_DIR]
set -euo pipefail
cxpack=$(readlink -f "$1")
work=${2:-$(mktemp -d /tmp/cxpack-bench.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"

# 40 folders of 50 files of 256 KiB, incompressible like real binaries
# (PACK_BENCH_FOLDERS fewer for a quick check that the bench runs).
mkdir -p tree/PackageFiles
for f in $(seq 1 "${PACK_BENCH_FOLDERS:-40}"); do
  d=tree/PackageFiles/Folder$f
  mkdir -p "$d"
  head -c $((50 * 262144)) /dev/urandom | split -b 262144 -a 2 - "$d/file_"
done
size=$(du -sm tree | cut -f1)

# Seconds one command takes, its writes flushed to disk.
timed() {
  sync
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  sync
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

# Rounds interleave the three commands, so that a busy moment of the
# machine weighs on all of them alike; the median of each is reported.
"$cxpack" pack tree -o package.bin
cps=() packs=() extracts=()
for _ in 1 2 3 4 5; do
  rm -rf copy repacked.bin out && mkdir out
  sync
  extracts+=("$(timed "$cxpack" extract package.bin out)")
  cps+=("$(timed cp -r tree copy)")
  packs+=("$(timed "$cxpack" pack tree -o repacked.bin)")
done
cp_time=$(median "${cps[@]}")
pack_time=$(median "${packs[@]}")
extract_time=$(median "${extracts[@]}")
cmp -s tree/PackageFiles/Folder1/file_aq out/PackageFiles/Folder1/file_aq ||
  { echo "bench: extracted bytes differ" >&2; exit 1; }

printf 'tree: %s MiB in %s files\n' "$size" "$(find tree -type f | wc -l)"
printf 'cp -r:   %.2f s\n' "$cp_time"
printf 'pack:    %.2f s  ratio %.2f (target <= 1.3)\n' "$pack_time" "$(awk -v a="$pack_time" -v b="$cp_time" 'BEGIN { print a / b }')"
printf 'extract: %.2f s  ratio %.2f (target <= 1.3)\n' "$extract_time" "$(awk -v a="$extract_time" -v b="$cp_time" 'BEGIN { print a / b }')"
