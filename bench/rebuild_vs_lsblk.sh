#!/bin/sh
# Compares one drive list rebuild with what a shell user runs to see the same
# facts: "lsblk -f" (labels, file systems, UUIDs) plus "df" (free space).
# Several alternating rounds; the median of each side; the ratio last.
#
#   bench/rebuild_vs_lsblk.sh [path/to/drive_list_bench] [rounds] [runs per round]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
bench=${1:-}
if [ -z "$bench" ]; then
  for dir in build-volume build; do
    if [ -x "$here/../$dir/bench/drive_list_bench" ]; then bench="$here/../$dir/bench/drive_list_bench"; break; fi
  done
fi
[ -n "$bench" ] && [ -x "$bench" ] || { echo "drive_list_bench not found; build it first" >&2; exit 2; }
rounds=${2:-7}
runs=${3:-20}
command -v lsblk >/dev/null && command -v df >/dev/null || { echo "lsblk and df are needed" >&2; exit 2; }

now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

ours=$(mktemp)
theirs=$(mktemp)
trap 'rm -f "$ours" "$theirs"' EXIT

"$bench" 2 >/dev/null   # warm both sides once
lsblk -f >/dev/null 2>&1; df >/dev/null 2>&1

i=0
while [ "$i" -lt "$rounds" ]; do
  "$bench" "$runs" | sed -n 's/^per_rebuild_ns=//p' >>"$ours"
  start=$(now_ns)
  j=0
  while [ "$j" -lt "$runs" ]; do
    lsblk -f >/dev/null 2>&1
    df >/dev/null 2>&1
    j=$((j + 1))
  done
  end=$(now_ns)
  echo $(( (end - start) / runs )) >>"$theirs"
  i=$((i + 1))
done

a=$(median <"$ours")
b=$(median <"$theirs")
echo "median drive list rebuild: $a ns; median lsblk -f + df: $b ns ($rounds rounds of $runs)"
awk -v a="$a" -v b="$b" 'BEGIN { printf "drive list rebuild/lsblk+df time ratio: %.3f\n", a / b }'
