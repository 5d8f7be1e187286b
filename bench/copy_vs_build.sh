#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The headless copy of this build against the same copy of another build
# (the code before a change, built with scripts/setup.sh in a worktree) and
# dd bs=256K conv=fsync, on the same page-cached source, in turn: each copy
# ends with its image on disk. Prints the fastest run of each and the
# ratios of the fastest runs, with the per-round spread.
# Usage: bench/copy_vs_build.sh OTHER_BUILD_DIR SOURCE [ROUNDS]   (env BUILD_DIR, default build)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
other="$1/bench/copy_bench" source_path="$2" rounds="${3:-6}"
[[ -x "$other" ]] || { echo "no $other: build the other code first" >&2; exit 2; }
this=$(bench_program copy_bench)
bench_workdir
image="$bench_out/image.img"
seconds() {  # LABEL COMMAND...: one copy, its seconds appended to LABEL
  local label="$1" start end
  shift
  bench_warm "$source_path"
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  cmp -s "$source_path" "$image" || { echo "$label: the image differs from the source" >&2; exit 1; }
  rm -f "$image"
  sync
  awk -v n=$((end - start)) 'BEGIN { printf "%.6f\n", n / 1e9 }' >>"$bench_out/$label"
}
for ((i = 0; i < rounds; i++)); do
  seconds other "$other" "$source_path" "$image"
  seconds this "$this" "$source_path" "$image"
  seconds dd dd if="$source_path" of="$image" bs=256K conv=fsync status=none
done
best() { sort -g "$bench_out/$1" | head -n 1; }
spread() { paste -d' ' "$bench_out/$1" "$bench_out/$2" | awk '{ print $1 / $2 }' | sort -g |
  awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.3f–%.3f", lo, hi }'; }
echo "fastest of $rounds rounds, whole process until the image is on disk: this $(best this) s, other $(best other) s, dd conv=fsync $(best dd) s"
echo "this over other: $(awk -v a="$(best this)" -v b="$(best other)" 'BEGIN { printf "%.3f", a / b }') (rounds $(spread this other))"
echo "this over dd conv=fsync: $(awk -v a="$(best this)" -v b="$(best dd)" 'BEGIN { printf "%.3f", a / b }') (rounds $(spread this dd)); other over dd conv=fsync: $(awk -v a="$(best other)" -v b="$(best dd)" 'BEGIN { printf "%.3f", a / b }') (rounds $(spread other dd))"
