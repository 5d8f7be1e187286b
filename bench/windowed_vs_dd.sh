#!/usr/bin/env bash
# Times a copy through the real progress window (windowed_copy, offscreen
# platform) against dd on the same page-cached source, in one run: several
# alternating runs of each, median wall time, CPU seconds per GiB and peak
# memory. The last line is the ratio of the throughputs (above 1: faster than
# dd).
# Usage: bench/windowed_vs_dd.sh SOURCE [RUNS]   (env BUILD_DIR, default build)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source_path="$1"
runs="${2:-5}"
bench="$here/${BUILD_DIR:-build}/bench/windowed_copy"
[[ -x "$bench" ]] || { echo "build first: $bench is missing" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing" >&2; exit 2; }

out="$(mktemp -d "${TMPDIR:-/var/tmp}/vorkan-bench.XXXXXX")"
trap 'rm -rf "$out"' EXIT

size=$(blockdev --getsize64 "$source_path" 2>/dev/null || stat -c %s "$source_path")
cat "$source_path" > /dev/null  # into the page cache

# One measurement: "elapsed user system maxrss_kib" of the command.
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt" ||
    { cat "$out/stderr.txt" >&2; exit 1; }
  cat "$out/time.txt"
}

dd_times=(); dd_cpu=(); win_times=(); win_cpu=(); dd_rss=0; win_rss=0
for ((i = 0; i < runs; i++)); do
  read -r e u s m < <(measure dd if="$source_path" of="$out/dd.img" bs=256K)
  dd_times+=("$e"); dd_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}')"); ((m > dd_rss)) && dd_rss=$m
  rm -f "$out/dd.img"; sync
  read -r e u s m < <(QT_QPA_PLATFORM=offscreen measure "$bench" "$source_path" "$out/win.img")
  win_times+=("$e"); win_cpu+=("$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}')"); ((m > win_rss)) && win_rss=$m
  cmp -s "$source_path" "$out/win.img" || { echo "image differs from the source" >&2; exit 1; }
  rm -f "$out/win.img"; sync
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
dd_med=$(median "${dd_times[@]}")
win_med=$(median "${win_times[@]}")
dd_cpu_med=$(median "${dd_cpu[@]}")
win_cpu_med=$(median "${win_cpu[@]}")
awk -v s="$size" -v d="$dd_med" -v w="$win_med" -v dc="$dd_cpu_med" -v wc="$win_cpu_med" \
    -v dr="$dd_rss" -v wr="$win_rss" -v n="$runs" 'BEGIN {
  gib = s / 1073741824
  printf "source: %d bytes, %d alternating runs each\n", s, n
  printf "dd:             %.1f MB/s (median %.2f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / d / 1e6, d, dc / gib, dr / 1024
  printf "windowed copy:  %.1f MB/s (median %.2f s), %.2f CPU s/GiB, peak memory %.1f MiB\n", s / w / 1e6, w, wc / gib, wr / 1024
  printf "windowed copy/dd throughput ratio: %.3f\n", d / w
}'
