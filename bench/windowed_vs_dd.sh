#!/usr/bin/env bash
# Times a copy through the real progress window (windowed_copy, offscreen
# platform) against dd on the same page-cached source, in one run: several
# alternating runs of each, median wall time, CPU seconds per GiB and peak
# memory. The last line is the ratio of the throughputs (above 1: faster than
# dd).
# Usage: bench/windowed_vs_dd.sh SOURCE [RUNS]   (env BUILD_DIR, default build)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

source_path="$1"
runs="${2:-5}"
bench_program windowed_copy >/dev/null
bench_workdir

size=$(bench_size "$source_path")
bench_warm "$source_path"
for ((i = 0; i < runs; i++)); do
  bench_copy dd "$source_path"
  bench_copy windowed "$source_path"
done

awk -v s="$size" -v n="$runs" \
    -v d="$(bench_field dd 1 | bench_median)" -v w="$(bench_field windowed 1 | bench_median)" \
    -v dc="$(bench_field dd 5 | bench_median)" -v wc="$(bench_field windowed 5 | bench_median)" \
    -v dr="$(bench_field dd 4 | bench_max)" -v wr="$(bench_field windowed 4 | bench_max)" 'BEGIN {
  gib = s / 1073741824
  printf "source: %d bytes, %d alternating runs each\n", s, n
  printf "dd:             %.1f MB/s (median %.2f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / d / 1e6, d, dc / gib, dr / 1024
  printf "windowed copy:  %.1f MB/s (median %.2f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / w / 1e6, w, wc / gib, wr / 1024
  printf "windowed copy/dd throughput ratio: %.3f\n", d / w
}'
