#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How the windows answer while a read waits: the program's own windows
# (responsive_copy) copy a loop device whose reads are held to 100 KB/s
# (through faulty_fs, so each 256 KiB block takes about 2.6 s), on
# Xvfb with openbox and the AT-SPI buses; responsiveness.py clicks and asks
# from outside. Each round runs the program twice in turn: as it is, and
# with the asynchronous read refused (--blocking), the peer that shows what a
# blocking read costs. Prints the rows of report.sh's table.
# Usage: bench/responsiveness.sh [--rounds N] [--clicks N] [--rate BYTES/S]
# Exit code 77 with the reason when it cannot run here (not root, no FUSE,
# no Xvfb, openbox, xdotool or AT-SPI).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
rounds=2 clicks=8 rate=102400
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --clicks) clicks="$2"; shift 2 ;;
    --rate) rate="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
need_tools Xvfb openbox xdotool losetup
need_a11y
program=$(bench_program responsive_copy)
bench_workdir
work="$bench_out"
private_runtime
export HOME="$work"
start_xvfb
start_a11y_buses
# Its own configuration: Alt+F4 closes a window.
start_window_manager

# Enough blocks for the objects to be found at the fast rate, and for every
# click and the close to land in a slow read.
fast=4194304
blocks=$((256 + (clicks * 2 + 6) * 3 / 2))
head -c "$((blocks * 262144))" /dev/urandom >"$work/slow.bin"
bench_faulty_device "$work/slow.bin"
dev=$bench_dev
# No read-ahead: each read of the copy waits for its own block, rather than
# for the kernel's next 2.5 MiB every ten blocks.
blockdev --setra 0 "$dev"

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
for ((i = 0; i < rounds; i++)); do
  for mode in async blocking; do
    blockdev --flushbufs "$dev"
    bench_faults "$bench_control" "read-rate=$fast"
    rm -f "$work/slow.IMA"
    flag=()
    [[ $mode == blocking ]] && flag=(--blocking)
    "$program" "${flag[@]}" "$dev" "$work/slow.IMA" >"$work/$mode.log" 2>&1 &
    pid=$!
    timeout 600 "$a11y_python" "$here/responsiveness.py" "$(basename "$program")" "$clicks" \
      "$bench_control" "read-rate=$rate" \
      >>"$work/$mode.samples" 2>"$work/$mode.err" || { kill "$pid"; wait "$pid"; fail "$mode: $(cat "$work/$mode.err")"; }
    wait "$pid" || fail "$mode: the program ended with $?: $(cat "$work/$mode.log")"
    [[ ! -e "$work/slow.IMA" ]] || fail "$mode: the aborted image was kept after No"
    # A round's median and worst, per measure.
    for what in query pause close ending; do
      awk -v w="$what" '$1 == w { print $2 }' "$work/$mode.samples" | tail -n "$([[ $what == query || $what == pause ]] && echo "$clicks" || echo 1)" |
        sort -g | awk -v w="$what" -v r="$i" '{ a[NR] = $1 } END { print w, r, a[int((NR + 1) / 2)], a[NR] }' >>"$work/$mode.rounds"
    done
  done
done

# The rows: median over all samples, the worst of any round, and the spread
# of the rounds' medians; a verdict on every round's median and worst.
ms() { awk -v s="$1" 'BEGIN { printf "%.0f ms", s * 1000 }'; }
for what in query pause close ending; do
  case $what in
    query) name="AT-SPI query round trip (the Pause button's extents), during reads" ;;
    pause) name="click on Pause until it reads Далее (xdotool, read back over AT-SPI), during reads" ;;
    close) name="Alt+F4 on the progress window until the abort question stands" ;;
    ending) name="the question's Yes until the abort ending (keep question): the rest of the read, then the ending" ;;
  esac
  all() { awk -v w="$what" '$1 == w { print $2 }' "$work/$1.samples" | sort -g; }
  median() { all "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
  worst() { all "$1" | tail -n 1; }
  spread=$(awk -v w="$what" '$1 == w { print $3 }' "$work/async.rounds" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo, hi }')
  read -r lo hi <<<"$spread"
  if [[ $what == ending ]]; then
    target="–" verdict="–"
  else
    target="≤ 100 ms median, ≤ 250 ms worst, every round"
    verdict=$(awk -v w="$what" '$1 == w && ($3 > 0.1 || $4 > 0.25) { bad++ } $1 == w { n++ }
      END { print bad == 0 ? "met" : bad == n ? "not met" : "inconclusive" }' "$work/async.rounds")
  fi
  echo "| $name | $(ms "$(median async)") median, $(ms "$(worst async)") worst | $(ms "$(median blocking)") median, $(ms "$(worst blocking)") worst (blocking read) | $(awk -v a="$(median async)" -v b="$(median blocking)" 'BEGIN { printf "%.3f", a / b }') | $target | $verdict | medians $(ms "$lo")–$(ms "$hi") |"
done
echo "responsiveness: $rounds rounds, each the program with the asynchronous read and with it refused; $clicks clicks and queries a run, the close at its end; loop device $dev held to $rate B/s through faulty_fs."
