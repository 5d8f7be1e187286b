#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares one drive list rebuild with what a shell user runs to see the same
# facts: "lsblk -f" (labels, file systems, UUIDs) plus "df" (free space).
# Several alternating rounds; the median of each side; the ratio last.
#
#   bench/rebuild_vs_lsblk.sh [path/to/drive_list_bench] [rounds] [runs per round]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

bench=${1:-}
if [[ -z "$bench" ]]; then
  for dir in ${BUILD_DIR:-} build-volume build; do
    if [[ -x "$bench_root/$dir/bench/drive_list_bench" ]]; then bench="$bench_root/$dir/bench/drive_list_bench"; break; fi
  done
fi
[[ -n "$bench" && -x "$bench" ]] || { echo "drive_list_bench not found; build it first" >&2; exit 2; }
rounds=${2:-7}
runs=${3:-20}
bench_workdir

result=$(bench_rebuild_vs_lsblk "$bench" "$rounds" "$runs")
read -r a b <<<"$result"
echo "median drive list rebuild: $a ns; median lsblk -f + df: $b ns ($rounds rounds of $runs)"
awk -v a="$a" -v b="$b" 'BEGIN { printf "drive list rebuild/lsblk+df time ratio: %.3f\n", a / b }'
