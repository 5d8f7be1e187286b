#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What reading ahead brings where both sides are slow: a loop device whose
# reads are held to RATE and an image on an ext4 loop volume whose writes
# are (both through faulty_fs, for every reader and writer), the way a USB
# stick is imaged onto another; the headless copy with read-ahead, against the same copy
# with it turned off (VORKAN_BENCH_NO_READ_AHEAD), in turn. Prints the rows of
# report.sh's table.
# Usage: bench/readahead.sh [--rounds N] [--size MIB] [--rate BYTES/S]
#                           [--write-rate BYTES/S (default: the read rate)]
#                           [--ra KIB: the source's own read-ahead, default 128,
#                           the kernel's default for a disk or a USB stick]
# Exit code 77 with the reason when it cannot run here (not root, no FUSE,
# no mkfs.ext4).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
rounds=3 size_mib=128 rate=$((32 * 1048576)) write_rate="" ra_kib=128
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --size) size_mib="$2"; shift 2 ;;
    --rate) rate="$2"; shift 2 ;;
    --write-rate) write_rate="$2"; shift 2 ;;
    --ra) ra_kib="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
need_tools mkfs.ext4
program=$(bench_program copy_bench)
bench_workdir

head -c "$((size_mib * 1048576))" /dev/urandom >"$bench_out/source.bin"
bench_faulty_device "$bench_out/source.bin"
src=$bench_dev src_control=$bench_control
blockdev --setra "$((ra_kib * 2))" "$src"
truncate -s "$((size_mib * 2 + 64))M" "$bench_out/target.vol"
bench_faulty_device "$bench_out/target.vol"
dst=$bench_dev dst_control=$bench_control
mkfs.ext4 -q -F "$dst"
mkdir "$bench_out/target"
mount "$dst" "$bench_out/target"
bench_on_exit "umount '$bench_out/target'"
bench_faults "$src_control" "read-rate=$rate"
write_rate=${write_rate:-$rate}
bench_faults "$dst_control" "write-rate=$write_rate"

copy() {  # LABEL: one copy from the slow device, its seconds appended to LABEL.samples
  local image="$bench_out/target/image.img"
  blockdev --flushbufs "$src"
  # Nothing of the source is cached: every read goes to the slow device.
  dd if="$bench_out/source.bin" iflag=nocache count=0 status=none
  if [[ $1 == off ]]; then export VORKAN_BENCH_NO_READ_AHEAD=1; else unset VORKAN_BENCH_NO_READ_AHEAD; fi
  "$program" "$src" "$image" >"$bench_out/out"
  grep -q '^ok 1' "$bench_out/out" || { echo "the copy failed: $(cat "$bench_out/out")" >&2; exit 1; }
  # Against the backing file: the slow device would take as long again.
  cmp -s "$bench_out/source.bin" "$image" || { echo "the image differs from the source" >&2; exit 1; }
  sed -n 's/^seconds //p' "$bench_out/out" >>"$bench_out/$1.samples"
  rm -f "$image"
  sync
}
for ((i = 0; i < rounds; i++)); do
  if ((i % 2)); then copy off; copy on; else copy on; copy off; fi
done
best() { sort -g "$bench_out/$1.samples" | head -n 1; }
v=$(awk -v a="$(best off)" -v b="$(best on)" 'BEGIN { print a / b }')
read -r lo hi <<<"$(paste -d' ' "$bench_out/off.samples" "$bench_out/on.samples" | awk '{ print $1 / $2 }' | sort -g |
  awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo, hi }')"
verdict=$(awk -v v="$v" -v lo="$lo" -v hi="$hi" 'BEGIN { n = (v > 1) + (lo > 1) + (hi > 1); print n == 3 ? "met" : n == 0 ? "not met" : "inconclusive" }')
mbs() { awk -v s="$((size_mib * 1048576))" -v t="$1" 'BEGIN { printf "%.1f MB/s", s / t / 1e6 }'; }
printf '| read-ahead: headless copy, reads held to %s and image writes to %s, throughput with read-ahead over without | %s | %s (without) | %.3f | > 1 | %s | %.3f–%.3f |\n' \
  "$(awk -v r="$rate" 'BEGIN { printf "%.0f MB/s", r / 1e6 }')" "$(awk -v r="$write_rate" 'BEGIN { printf "%.0f MB/s", r / 1e6 }')" "$(mbs "$(best on)")" "$(mbs "$(best off)")" "$v" "$verdict" "$lo" "$hi"
echo "read-ahead: $rounds rounds of a $size_mib MiB loop device (reads held to $rate B/s through faulty_fs) with $ra_kib KiB of kernel read-ahead copied onto an ext4 loop volume (writes held to $write_rate B/s), with and without read-ahead in turn."
