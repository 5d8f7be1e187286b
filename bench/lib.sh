# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers shared by the bench scripts (bash; sourced, not run). Every timed
# program is measured by GNU time; samples are kept one a line in files
# under a work folder made by bench_workdir.
#
#   bench_root                 the repository's top folder
#   bench_program NAME         path of a built bench program (env BUILD_DIR)
#   bench_workdir              makes the work folder $bench_out, removed on exit
#   bench_on_exit CMD          runs CMD too when the script ends (the
#                              clean-up stack of tests/support/lib.sh, which
#                              gives skip and fail as well)
#   bench_size PATH            bytes of a block device or a file
#   bench_warm PATH            reads PATH once, into the page cache
#   bench_measure LABEL CMD... runs CMD once, appends "elapsed user sys
#                              maxrss_kib" to $bench_out/LABEL.samples
#                              (user and sys include the children's)
#   bench_command LABEL SRC IMG  the command line of copy program LABEL, in
#                              the array bench_cmd: dd, dd-fsync (conv=fsync),
#                              dd-nocache (iflag/oflag=nocache), copy* (the
#                              headless copy job), windowed (the progress
#                              window, offscreen unless QT_QPA_PLATFORM says
#                              else), windowed-xcb (on $bench_display)
#   bench_copy LABEL SOURCE [durable]
#                              one copy of SOURCE by LABEL, measured, checked
#                              against the source, removed; the copy call's
#                              own time (the Vorkan programs print it) goes to
#                              LABEL-call.samples; windowed-xcb also keeps the
#                              X server's CPU ticks ($bench_xpid) over the
#                              whole run in LABEL-xticks.samples and over the
#                              copy call in LABEL-xcall.samples (and in
#                              nanoseconds in LABEL-xcallns.samples); "durable" times a
#                              "sync -d" of the image after it into
#                              LABEL-sync.samples
#   bench_start_xvfb           an Xvfb of its own: $bench_display, $bench_xpid
#   bench_cpu_ticks PID        user + system clock ticks of a process so far
#   bench_median / bench_max   of the numbers on standard input
#   bench_field LABEL N        column N of LABEL's samples, one a line
#   bench_rebuild_vs_lsblk     drive list rebuild against lsblk -f plus df
#   bench_faulty_device FILE   a loop device over FILE whose every read and
#                              write passes the faulty_fs daemon (built with
#                              the tests), all removed on exit: $bench_dev,
#                              and $bench_control, the file that takes its
#                              settings; the caller's `skip` when not root or
#                              there is no FUSE
#   bench_faults CONTROL SETTING...  new settings of such a device, in place
#                              of the old: read-rate=B/S, write-rate=B/S (see
#                              tests/support/faulty_fs.cpp)

bench_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

bench_program() {
  local path="$bench_root/${BUILD_DIR:-build}/bench/$1"
  [[ -x "$path" ]] || { echo "build first: $path is missing" >&2; return 2; }
  printf '%s\n' "$path"
}

# The program itself, for its command line.
bench_vorkan() {
  local path="$bench_root/${BUILD_DIR:-build}/app/vorkan"
  [[ -x "$path" ]] || { echo "build first: $path is missing" >&2; return 2; }
  printf '%s\n' "$path"
}

# skip, fail and the clean-up stack are the tests' (tests/support/lib.sh);
# CMD is shell text, run last first with the stack's other steps.
source "$bench_root/tests/support/lib.sh"
bench_on_exit() { on_exit eval "$1"; }

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

bench_command() {
  local label="$1" source="$2" image="$3" program
  case "$label" in
    dd) bench_cmd=(dd if="$source" of="$image" bs=256K) ;;
    dd-fsync) bench_cmd=(dd if="$source" of="$image" bs=256K conv=fsync) ;;
    dd-nocache) bench_cmd=(dd if="$source" of="$image" bs=256K iflag=nocache oflag=nocache) ;;
    copy*) program=$(bench_program copy_bench) || return; bench_cmd=("$program" "$source" "$image") ;;
    vorkan) program=$(bench_vorkan) || return; bench_cmd=("$program" copy "$source" "$image" --replace --force) ;;
    vorkan-sha256)
      program=$(bench_vorkan) || return
      bench_cmd=("$program" copy "$source" "$image" --replace --force --sha256) ;;
    windowed)
      program=$(bench_program windowed_copy) || return
      bench_cmd=(env QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$program" "$source" "$image") ;;
    windowed-xcb)
      program=$(bench_program windowed_copy) || return
      [[ -n "${bench_display:-}" ]] || { echo "bench_command: no X server started" >&2; return 2; }
      bench_cmd=(env QT_QPA_PLATFORM=xcb DISPLAY="$bench_display" VORKAN_BENCH_XPID="$bench_xpid" "$program" "$source" "$image") ;;
    *) echo "bench_command: no program $label" >&2; return 2 ;;
  esac
}

bench_copy() {
  local label="$1" source="$2" durable="${3:-}" image="$bench_out/$1.img" x0 start end
  bench_command "$label" "$source" "$image" || return
  [[ "$label" == windowed-xcb ]] && x0=$(bench_cpu_ticks "$bench_xpid")
  bench_measure "$label" "${bench_cmd[@]}" || return
  [[ "$label" == windowed-xcb ]] && echo $(($(bench_cpu_ticks "$bench_xpid") - x0)) >>"$bench_out/$label-xticks.samples"
  sed -n 's/^seconds //p' "$bench_out/stdout" >>"$bench_out/$label-call.samples"
  sed -n 's/^cpu_seconds //p' "$bench_out/stdout" >>"$bench_out/$label-callcpu.samples"
  if [[ "$label" == windowed-xcb ]]; then
    sed -n 's/^xserver_ticks //p' "$bench_out/stdout" >>"$bench_out/$label-xcall.samples"
    sed -n 's/^xserver_ns //p' "$bench_out/stdout" >>"$bench_out/$label-xcallns.samples"
  fi
  if [[ "$durable" == durable ]]; then
    start=$(date +%s%N)
    sync -d "$image"
    end=$(date +%s%N)
    awk -v n=$((end - start)) 'BEGIN { printf "%.6f\n", n / 1e9 }' >>"$bench_out/$label-sync.samples"
  fi
  cmp -s "$source" "$image" || { echo "$label: image differs from the source" >&2; rm -f "$image"; return 1; }
  rm -f "$image"
  sync
}

# An Xvfb on a display of its own, from :77 up (others on the machine use the
# low numbers); -displayfd tells when it is ready.
bench_start_xvfb() {
  local n i
  command -v Xvfb >/dev/null || { echo "Xvfb is missing (package xvfb)" >&2; return 2; }
  for ((n = 77; n < 100; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    : >"$bench_out/display"
    Xvfb ":$n" -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$bench_out/display" 2>"$bench_out/xvfb.err" &
    bench_xpid=$!
    for ((i = 0; i < 100; i++)); do
      [[ -s "$bench_out/display" ]] && break
      kill -0 "$bench_xpid" 2>/dev/null || break
      sleep 0.1
    done
    if [[ -s "$bench_out/display" ]]; then
      bench_on_exit "kill $bench_xpid 2>/dev/null; wait $bench_xpid 2>/dev/null"
      bench_display=":$(head -n 1 "$bench_out/display")"
      return 0
    fi
    kill "$bench_xpid" 2>/dev/null || true
    wait "$bench_xpid" 2>/dev/null || true
  done
  echo "Xvfb did not start: $(head -n 1 "$bench_out/xvfb.err")" >&2
  return 1
}

# Fields 14 and 15 of /proc/PID/stat (the command name, field 2, may hold
# spaces, so count from its closing parenthesis).
bench_cpu_ticks() {
  local rest
  rest=$(<"/proc/$1/stat")
  rest=${rest##*) }
  awk '{ print $12 + $13 }' <<<"$rest"
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

bench_faulty_device() {
  local fs="$bench_root/${BUILD_DIR:-build}/tests/support/faulty_fs" mnt pid i
  [[ $(id -u) -eq 0 ]] || skip "not root: no loop device"
  [[ -w /dev/fuse ]] || skip "no /dev/fuse: no FUSE here"
  [[ -x "$fs" ]] || { echo "build first: $fs is missing" >&2; return 2; }
  mnt=$(mktemp -d "$bench_out/faulty.XXXXXX")
  "$fs" "$1" "$mnt" &
  pid=$!
  bench_on_exit "umount -l '$mnt' 2>/dev/null; sleep 0.2; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null"
  for ((i = 0; i < 100; i++)); do
    [[ -e "$mnt/control" ]] && break
    sleep 0.05
  done
  [[ -e "$mnt/control" ]] || { echo "faulty_fs did not mount $1" >&2; return 1; }
  bench_control="$mnt/control"
  bench_dev=$(losetup --find --show --direct-io=on "$mnt/disk")
  bench_on_exit "losetup -d $bench_dev"
}
bench_faults() {
  local control="$1"
  shift
  echo "$*" >"$control"
}
