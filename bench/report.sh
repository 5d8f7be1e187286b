#!/usr/bin/env bash
# All the measurements in one run, each against its peer in the same run:
# the headless copy job and the copy through the progress window against dd
# (throughput, CPU seconds per GiB, peak memory), and the drive list rebuild
# against "lsblk -f" plus "df". Prints a Markdown table with the targets.
#
# The source is a loop device over a file of random data made here (root
# needed; otherwise the file itself is copied, and the output says so),
# read once into the page cache. dd, the headless copy and the windowed copy
# take turns, in a rotating order, for every round.
#
# Usage: bench/report.sh [--size MIB] [--runs N] [--rounds N] [--source PATH]
#   --size MIB    size of the source made here (default 1024)
#   --runs N      rounds of the three copies (default 5)
#   --rounds N    rounds of the drive list comparison (default 7, 20 each)
#   --source PATH copy an existing block device or file instead
# env BUILD_DIR (default build), TMPDIR (default /var/tmp) for the source
# and the images.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

size_mib=1024
runs=5
rounds=7
given_source=""
while (($#)); do
  case "$1" in
    --size) size_mib="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --source) given_source="$2"; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
  esac
done
[[ "$size_mib" =~ ^[1-9][0-9]*$ && "$runs" =~ ^[1-9][0-9]*$ && "$rounds" =~ ^[1-9][0-9]*$ ]] ||
  { echo "--size, --runs and --rounds take whole numbers above 0" >&2; exit 2; }

for program in copy_bench windowed_copy drive_list_bench; do bench_program "$program" >/dev/null; done
bench_workdir
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)

# The source.
if [[ -n "$given_source" ]]; then
  source_path="$given_source"
  if [[ -b "$source_path" ]]; then source_text="block device $source_path"; else source_text="file $source_path"; fi
else
  data="$bench_out/source.bin"
  # Random bytes: no run of zeros a file system or device could skip.
  head -c "$((size_mib * 1048576))" /dev/urandom >"$data"
  source_path="$data"
  source_text="plain file of $size_mib MiB of random data (no loop device: not run as root)"
  if [[ $(id -u) -eq 0 ]]; then
    if loop=$(losetup --find --show --read-only "$data" 2>"$bench_out/losetup.err"); then
      bench_on_exit "losetup -d '$loop'"
      source_path="$loop"
      source_text="loop device $loop over a file of $size_mib MiB of random data"
    else
      source_text="plain file of $size_mib MiB of random data (losetup failed: $(head -n 1 "$bench_out/losetup.err"))"
    fi
  fi
fi
size=$(bench_size "$source_path")
bench_warm "$source_path"
bench_warm "$source_path"
source_text="$source_text, page-cached"

# The copies: every round runs all three, starting one further each time.
labels=(dd copy windowed)
for ((i = 0; i < runs; i++)); do
  for ((k = 0; k < 3; k++)); do bench_copy "${labels[(i + k) % 3]}" "$source_path"; done
done

# The drive list.
rebuild=$(bench_rebuild_vs_lsblk "$(bench_program drive_list_bench)" "$rounds" 20)
read -r rebuild_ns lsblk_ns <<<"$rebuild"

median_of() { bench_field "$1" "$2" | bench_median; }
max_of() { bench_field "$1" "$2" | bench_max; }
# Per-round throughput ratios against dd: lowest, median and highest, and
# the ratio of the fastest runs (other load only ever adds time).
round_ratios() {
  paste -d' ' <(bench_field dd 1) <(bench_field "$1" 1) | awk '{ print $1 / $2 }' | sort -g |
    awk '{ r[NR] = $1 } END { m = (NR % 2) ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2; printf "%.2f / %.2f / %.2f", r[1], m, r[NR] }'
}
best_ratio() { awk -v d="$(bench_field dd 1 | sort -g | head -n 1)" -v c="$(bench_field "$1" 1 | sort -g | head -n 1)" 'BEGIN { printf "%.3f", d / c }'; }

cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "$(date '+%Y-%m-%d %H:%M %Z'); ${cpu_model:-unknown CPU}, $(nproc) cores, Linux $(uname -r);" \
  "load average at start $load_at_start; source: $source_text ($size bytes); $runs rounds of dd, headless and" \
  "windowed copy in turn (medians), drive list $rounds rounds of 20."
echo

awk -v s="$size" \
    -v dt="$(median_of dd 1)" -v ct="$(median_of copy 1)" -v wt="$(median_of windowed 1)" \
    -v dcpu="$(median_of dd 5)" -v ccpu="$(median_of copy 5)" -v wcpu="$(median_of windowed 5)" \
    -v du="$(median_of dd 2)" -v cu="$(median_of copy 2)" -v wu="$(median_of windowed 2)" \
    -v drss="$(max_of dd 4)" -v crss="$(max_of copy 4)" -v wrss="$(max_of windowed 4)" \
    -v wc="$(bench_median <"$bench_out/windowed-call.samples")" \
    -v rb="$rebuild_ns" -v ls="$lsblk_ns" 'BEGIN {
  gib = s / 1073741824
  print "| measure | Vorkan | peer | ratio | target | met? |"
  print "|---|---|---|---|---|---|"
  hr = dt / ct; wr = dt / wt
  hmet = (hr >= 0.97) ? "yes" : "no"; wmet = (wr >= 0.93) ? "yes" : "no"; mmet = (wrss <= 60 * 1024) ? "yes" : "no"
  printf "| headless copy throughput (copy_bench; peer dd) | %.0f MB/s | %.0f MB/s | %.3f | ≥ 0.97 × dd | %s |\n", s / ct / 1e6, s / dt / 1e6, hr, hmet
  printf "| windowed copy throughput (windowed_copy; peer dd) | %.0f MB/s | %.0f MB/s | %.3f | ≥ 0.93 × dd | %s |\n", s / wt / 1e6, s / dt / 1e6, wr, wmet
  printf "| windowed copy throughput, the copy call alone (no process start-up) | %.0f MB/s | %.0f MB/s | %.3f | – | – |\n", s / wc / 1e6, s / dt / 1e6, dt / wc
  printf "| headless CPU s/GiB, user+system (user) | %.3f (%.3f) | %.3f (%.3f) | %.2f | – | – |\n", ccpu / gib, cu / gib, dcpu / gib, du / gib, ccpu / dcpu
  printf "| windowed CPU s/GiB, user+system (user) | %.3f (%.3f) | %.3f (%.3f) | %.2f | – | – |\n", wcpu / gib, wu / gib, dcpu / gib, du / gib, wcpu / dcpu
  printf "| headless peak memory (max RSS) | %.1f MiB | %.1f MiB | %.2f | – | – |\n", crss / 1024, drss / 1024, crss / drss
  printf "| windowed peak memory (max RSS) | %.1f MiB | %.1f MiB | %.2f | ≤ 60 MiB | %s |\n", wrss / 1024, drss / 1024, wrss / drss, mmet
  printf "| drive list rebuild (drive_list_bench; peer lsblk -f + df) | %.2f ms | %.2f ms | %.3f | – | – |\n", rb / 1e6, ls / 1e6, rb / ls
}'
echo
echo "Throughput ratios: Vorkan over dd (above 1: faster). CPU, memory and time ratios: Vorkan over the peer" \
  "(below 1: less). Per-round throughput ratios (lowest / median / highest): headless $(round_ratios copy)," \
  "windowed $(round_ratios windowed); fastest run over fastest run: headless $(best_ratio copy)," \
  "windowed $(best_ratio windowed)."
