#!/usr/bin/env bash
# Times the copy job against dd on the same page-cached source, in one run:
# several alternating runs of each, median. The last line is the ratio of the
# throughputs (above 1: faster than dd).
# Usage: bench/copy_vs_dd.sh SOURCE [RUNS]   (env BUILD_DIR, default build)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

source_path="$1"
runs="${2:-5}"
bench_program copy_bench >/dev/null
bench_workdir

size=$(bench_size "$source_path")
bench_warm "$source_path"
for ((i = 0; i < runs; i++)); do
  bench_copy dd "$source_path"
  bench_copy copy "$source_path"
done

awk -v s="$size" -v n="$runs" \
    -v d="$(bench_field dd 1 | bench_median)" -v c="$(bench_field copy 1 | bench_median)" \
    -v dc="$(bench_field dd 5 | bench_median)" -v cc="$(bench_field copy 5 | bench_median)" \
    -v dr="$(bench_field dd 4 | bench_max)" -v cr="$(bench_field copy 4 | bench_max)" 'BEGIN {
  gib = s / 1073741824
  printf "source: %d bytes, %d alternating runs each\n", s, n
  printf "dd:        %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / d / 1e6, d, dc / gib, dr / 1024
  printf "copy job:  %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / c / 1e6, c, cc / gib, cr / 1024
  printf "copy/dd throughput ratio: %.3f\n", d / c
}'
