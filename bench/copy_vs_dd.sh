#!/usr/bin/env bash
# Times the copy job against dd on the same page-cached source, in one run:
# several alternating runs of each, median. The last line is the ratio of the
# throughputs (above 1: faster than dd).
# Usage: bench/copy_vs_dd.sh SOURCE [RUNS]   (env BUILD_DIR, default build)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source_path="$1"
runs="${2:-5}"
bench="$here/${BUILD_DIR:-build}/bench/copy_bench"
[[ -x "$bench" ]] || { echo "build first: $bench is missing" >&2; exit 2; }

out="$(mktemp -d "${TMPDIR:-/var/tmp}/vorkan-bench.XXXXXX")"
trap 'rm -rf "$out"' EXIT

size=$(blockdev --getsize64 "$source_path" 2>/dev/null || stat -c %s "$source_path")
cat "$source_path" > /dev/null  # into the page cache

# One measurement: "elapsed_s cpu_s maxrss_kib" of one command.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$@" >/dev/null 2>&1
  awk '{printf "%s %.3f %s\n", $1, $2 + $3, $4}' "$out/time"
}

dd_times=(); copy_times=(); dd_cpu=(); copy_cpu=(); dd_rss=0; copy_rss=0
for ((i = 0; i < runs; i++)); do
  read -r t cpu rss < <(measure dd if="$source_path" of="$out/dd.img" bs=256K)
  dd_times+=("$t"); dd_cpu+=("$cpu"); ((rss > dd_rss)) && dd_rss=$rss
  rm -f "$out/dd.img"; sync
  read -r t cpu rss < <(measure "$bench" "$source_path" "$out/copy.img")
  copy_times+=("$t"); copy_cpu+=("$cpu"); ((rss > copy_rss)) && copy_rss=$rss
  cmp -s "$source_path" "$out/copy.img" || { echo "image differs from the source" >&2; exit 1; }
  rm -f "$out/copy.img"; sync
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
dd_med=$(median "${dd_times[@]}")
copy_med=$(median "${copy_times[@]}")
dd_cpu_med=$(median "${dd_cpu[@]}")
copy_cpu_med=$(median "${copy_cpu[@]}")
awk -v s="$size" -v d="$dd_med" -v c="$copy_med" -v dr="$dd_rss" -v cr="$copy_rss" -v n="$runs" \
    -v dc="$dd_cpu_med" -v cc="$copy_cpu_med" 'BEGIN {
  gib = s / 1073741824
  printf "source: %d bytes, %d alternating runs each\n", s, n
  printf "dd:        %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / d / 1e6, d, dc / gib, dr / 1024
  printf "copy job:  %.1f MB/s (median %.3f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / c / 1e6, c, cc / gib, cr / 1024
  printf "copy/dd throughput ratio: %.3f\n", d / c
}'
