# Helpers shared by the bench scripts (bash; sourced, not run). Every timed
# program is measured by GNU time; samples are kept one a line in files
# under a work folder made by bench_workdir.
#
#   bench_root                 the repository's top folder
#   bench_program NAME         path of a built bench program (env BUILD_DIR)
#   bench_workdir              makes the work folder $bench_out, removed on exit
#   bench_on_exit CMD          runs CMD too when the script ends
#   bench_size PATH            bytes of a block device or a file
#   bench_warm PATH            reads PATH once, into the page cache
#   bench_measure LABEL CMD... runs CMD once, appends "elapsed user sys
#                              maxrss_kib" to $bench_out/LABEL.samples
#   bench_copy LABEL SOURCE    one copy of SOURCE by dd, copy or windowed,
#                              measured, checked against the source, removed;
#                              windowed also keeps the copy call's own time in
#                              $bench_out/windowed-call.samples
#   bench_median / bench_max   of the numbers on standard input
#   bench_field LABEL N        column N of LABEL's samples, one a line
#   bench_rebuild_vs_lsblk     drive list rebuild against lsblk -f plus df

bench_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

bench_program() {
  local path="$bench_root/${BUILD_DIR:-build}/bench/$1"
  [[ -x "$path" ]] || { echo "build first: $path is missing" >&2; return 2; }
  printf '%s\n' "$path"
}

bench_exit_actions=()
bench_on_exit() { bench_exit_actions+=("$1"); }
bench_run_exit_actions() {
  local i
  for ((i = ${#bench_exit_actions[@]} - 1; i >= 0; i--)); do eval "${bench_exit_actions[i]}" || true; done
}
trap bench_run_exit_actions EXIT

bench_workdir() {
  bench_out="$(mktemp -d "${TMPDIR:-/var/tmp}/vorkan-bench.XXXXXX")"
  bench_on_exit 'rm -rf "$bench_out"'
}

bench_size() { blockdev --getsize64 "$1" 2>/dev/null || stat -L -c %s "$1"; }

bench_warm() { cat "$1" >/dev/null; }

bench_measure() {
  local label="$1" TIMEFORMAT='%3R %3U %3S'
  shift
  [[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (package time)" >&2; return 2; }
  # The shell times to the millisecond (GNU time prints hundredths); GNU
  # time gives the peak memory. Its own share is the same for every program.
  { time /usr/bin/time -f '%M' -o "$bench_out/rss" "$@" >"$bench_out/stdout" 2>"$bench_out/stderr"; } 2>"$bench_out/time" || {
    echo "$label failed:" >&2
    cat "$bench_out/stderr" >&2
    return 1
  }
  echo "$(cat "$bench_out/time") $(cat "$bench_out/rss")" >>"$bench_out/$label.samples"
}

# The programs a copy is timed with: dd, the headless copy job and the copy
# through the progress window (offscreen unless QT_QPA_PLATFORM says else).
bench_copy() {
  local label="$1" source="$2" image="$bench_out/$1.img" program
  case "$label" in
    dd) bench_measure dd dd if="$source" of="$image" bs=256K ;;
    copy)
      program=$(bench_program copy_bench) || return
      bench_measure copy "$program" "$source" "$image" ;;
    windowed)
      program=$(bench_program windowed_copy) || return
      QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" bench_measure windowed "$program" "$source" "$image" &&
        # The copy call alone, without the process's start-up and exit.
        sed -n 's/^seconds //p' "$bench_out/stdout" >>"$bench_out/windowed-call.samples" ;;
    *) echo "bench_copy: no program $label" >&2; return 2 ;;
  esac || return
  cmp -s "$source" "$image" || { echo "$label: image differs from the source" >&2; rm -f "$image"; return 1; }
  rm -f "$image"
  sync
}

bench_median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; printf "%.9g\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

bench_max() { sort -g | tail -n 1; }

# Column N (1 elapsed, 2 user, 3 system, 4 peak memory in KiB, 5 user +
# system) of a label's samples.
bench_field() {
  awk -v n="$2" '{ print (n == 5) ? $2 + $3 : $n }' "$bench_out/$1.samples"
}

# "OURS_NS THEIRS_NS": medians over ROUNDS alternating rounds of RUNS drive
# list rebuilds (per rebuild) and of RUNS "lsblk -f" plus "df" (per pair).
bench_rebuild_vs_lsblk() {
  local bench="$1" rounds="$2" runs="$3" i j start end
  command -v lsblk >/dev/null && command -v df >/dev/null || { echo "lsblk and df are needed" >&2; return 2; }
  : >"$bench_out/rebuild.ns"
  : >"$bench_out/lsblk.ns"
  "$bench" 2 >/dev/null  # warm both sides once
  lsblk -f >/dev/null 2>&1 || true
  df >/dev/null 2>&1 || true
  for ((i = 0; i < rounds; i++)); do
    "$bench" "$runs" | sed -n 's/^per_rebuild_ns=//p' >>"$bench_out/rebuild.ns"
    start=$(date +%s%N)
    for ((j = 0; j < runs; j++)); do
      lsblk -f >/dev/null 2>&1 || true
      df >/dev/null 2>&1 || true
    done
    end=$(date +%s%N)
    echo $(((end - start) / runs)) >>"$bench_out/lsblk.ns"
  done
  echo "$(bench_median <"$bench_out/rebuild.ns") $(bench_median <"$bench_out/lsblk.ns")"
}
