#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times a copy against dd on the same page-cached source, in one run: several
# alternating runs of each, median wall time, CPU seconds per GiB and peak
# memory. The last line is the ratio of the throughputs (above 1: faster than
# dd). The copy is the headless copy job (copy_bench), or with --windowed the
# copy through the real progress window (windowed_copy, offscreen platform).
# Usage: bench/copy_vs_dd.sh [--windowed] SOURCE [RUNS]   (env BUILD_DIR, default build)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

label=copy program=copy_bench name="copy job" ratio=copy
if [[ "${1:-}" == --windowed ]]; then
  label=windowed program=windowed_copy name="windowed copy" ratio="windowed copy"
  shift
fi
source_path="$1"
runs="${2:-5}"
bench_program "$program" >/dev/null
bench_workdir

size=$(bench_size "$source_path")
bench_warm "$source_path"
for ((i = 0; i < runs; i++)); do
  bench_copy dd "$source_path"
  bench_copy "$label" "$source_path"
done

awk -v s="$size" -v n="$runs" -v name="$name" -v ratio="$ratio" \
    -v d="$(bench_field dd 1 | bench_median)" -v c="$(bench_field "$label" 1 | bench_median)" \
    -v dc="$(bench_field dd 5 | bench_median)" -v cc="$(bench_field "$label" 5 | bench_median)" \
    -v dr="$(bench_field dd 4 | bench_max)" -v cr="$(bench_field "$label" 4 | bench_max)" 'BEGIN {
  gib = s / 1073741824
  printf "source: %d bytes, %d alternating runs each\n", s, n
  printf "%-15s %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", "dd:", s / d / 1e6, d, dc / gib, dr / 1024
  printf "%-15s %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", name ":", s / c / 1e6, c, cc / gib, cr / 1024
  printf "%s/dd throughput ratio: %.3f\n", ratio, d / c
}'
