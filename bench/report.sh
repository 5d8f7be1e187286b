#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# All the measurements in one run, each against its peer in the same run, and
# every figure with its target and verdict:
#
#   throughput  a 1 GiB loop device of random data, page-cached (held open
#               here, so its own pages stay between copies); every round
#               runs dd, the headless copy job, the copy through the progress
#               window offscreen and on an X server (Xvfb, xcb platform, no
#               window manager), in a rotating order. The X server's CPU
#               (utime + stime of the Xvfb process) is counted over the whole run
#               and over the copy call alone (there in nanoseconds, from
#               schedstat, where the kernel keeps it).
#   durable     the same source; the time until the image is on disk: the
#               headless copy until it returns plus a "sync -d" of the image
#               (nothing is left to write when the copy syncs itself), against
#               dd bs=256K conv=fsync and dd bs=256K iflag=nocache
#               oflag=nocache (each followed by the same "sync -d").
#   footprint   a 4 GiB loop device (direct I/O, so its backing file is never
#               cached) whose pages are dropped before each copy, as a disk
#               freshly read: the growth of Cached + Buffers (/proc/meminfo,
#               sampled every 0.1 s) at the peak and when the copy returns,
#               and the image's own pages in the cache (fincore).
#   survival    a 20 GiB file (sparse: only its cached pages matter) read in
#               full just before each 4 GiB copy; the share of its pages
#               still resident after it (fincore).
#   holes       a 1 GiB ext4 volume holding 100 MiB of random files, copied to
#               an ext4 file system: the image's room (du) and its SHA-256
#               against the device's.
#   drive list  the drive list rebuild against "lsblk -f" plus "df".
#   responsiveness  the program's windows copying a loop device held to
#               100 KB/s (through faulty_fs), clicked and asked from outside over X and AT-SPI,
#               against the same program with its reads blocking
#               (bench/responsiveness.sh; root, Xvfb, openbox, AT-SPI).
#   read-ahead  a loop device read at 32 MiB/s copied onto an ext4 loop
#               volume written at 32 MiB/s (both through faulty_fs), with
#               read-ahead and without (bench/readahead.sh; root, FUSE).
#
# Verdicts: a ratio is judged on the fastest run against the fastest run
# (other load only ever adds time) and CPU on the leanest run against the
# leanest, the cache growth on the median round (other programs move the
# cache both ways) and the cached file on the best round (they only evict);
# "inconclusive" when the per-round figures (each round pairing a run with
# its peer's in the same round) fall on both sides of the target.
# "No worse than today" compares with the ratios in the baseline file.
#
# Usage: bench/report.sh [options]
#   --rounds N        rounds of the throughput and durable copies (default 6)
#   --fp-rounds N     rounds of the footprint and survival copies (default 3)
#   --size MIB        throughput source (default 1024)
#   --fp-size MIB     footprint and survival source (default 4096)
#   --cached MIB      the cached file of the survival measure (default 20480)
#   --holes MIB:MIB   volume and data of the holes measure (default 1024:100)
#   --drive-rounds N  rounds of the drive list comparison (default 5, 20 each)
#   --baseline FILE   today's ratios (default bench/baseline.txt)
#   --wm openbox      run openbox on the X server (default: no window manager)
#   --resp-rounds N   rounds of the responsiveness measure (default 2; 0: none)
#   --clicks N        clicks and queries in each of its runs (default 8)
#   --ra-rounds N     rounds of the read-ahead measure (default 3; 0: none)
#   --quick           small sizes and one round (for the test run; the
#                     figures then say nothing about the targets)
# Sizes are scaled down, with a note, where free memory or disk is short.
# Without root there are no loop devices: the plain files are copied, and the
# holes measure is skipped; without Xvfb the xcb copy is skipped.
# env BUILD_DIR (default build), TMPDIR (default /var/tmp) for the sources
# and the images.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

rounds=6 fp_rounds=3 size_mib=1024 fp_mib=4096 cached_mib=20480 holes_mib=1024 holes_data_mib=100
drive_rounds=5 baseline="$bench_root/bench/baseline.txt" quick=0 wm=none resp_rounds=2 clicks=8 ra_rounds=3
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --fp-rounds) fp_rounds="$2"; shift 2 ;;
    --size) size_mib="$2"; shift 2 ;;
    --fp-size) fp_mib="$2"; shift 2 ;;
    --cached) cached_mib="$2"; shift 2 ;;
    --holes) holes_mib="${2%%:*}"; holes_data_mib="${2#*:}"; shift 2 ;;
    --drive-rounds) drive_rounds="$2"; shift 2 ;;
    --baseline) baseline="$2"; shift 2 ;;
    --wm) wm="$2"; shift 2 ;;
    --resp-rounds) resp_rounds="$2"; shift 2 ;;
    --clicks) clicks="$2"; shift 2 ;;
    --ra-rounds) ra_rounds="$2"; shift 2 ;;
    --quick) quick=1 resp_rounds=0 ra_rounds=0 rounds=1 fp_rounds=1 size_mib=16 fp_mib=64 cached_mib=256 holes_mib=64 holes_data_mib=8
      drive_rounds=1; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
  esac
done
for n in "$rounds" "$fp_rounds" "$size_mib" "$fp_mib" "$cached_mib" "$holes_mib" "$holes_data_mib" "$drive_rounds"; do
  [[ "$n" =~ ^[1-9][0-9]*$ ]] || { echo "sizes and rounds are whole numbers above 0 (see --help)" >&2; exit 2; }
done

for program in copy_bench windowed_copy drive_list_bench responsive_copy; do bench_program "$program" >/dev/null; done
command -v fincore >/dev/null || { echo "fincore is missing (package util-linux)" >&2; exit 2; }
bench_workdir
root=0
[[ $(id -u) -eq 0 ]] && root=1
notes=()
note() { notes+=("$*"); }
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
meminfo_kib() { awk -v k="$1:" '$1 == k { print $2 }' /proc/meminfo; }
free_disk_mib() { df -Pk "$bench_out" | awk 'NR == 2 { print int($4 / 1024) }'; }
image_fs=$(findmnt -n -o FSTYPE -T "$bench_out" 2>/dev/null || stat -f -c %T "$bench_out")

# Room: the sources, one image at a time and a margin. The survival file is
# sparse and takes no disk, but memory: it must fit beside what others use.
need_mib=$((size_mib + fp_mib * 2 + holes_mib * 2 + 2048))
if (($(free_disk_mib) < need_mib)); then
  shrink=$(($(free_disk_mib) - size_mib - holes_mib * 2 - 2048))
  ((shrink >= 64)) || { echo "not enough free disk in $bench_out: $(free_disk_mib) MiB, $need_mib needed" >&2; exit 2; }
  note "Only $(free_disk_mib) MiB free in $bench_out: the footprint source is $((shrink / 2)) MiB instead of $fp_mib MiB."
  fp_mib=$((shrink / 2))
fi
avail_mib=$(($(meminfo_kib MemAvailable) / 1024))
if ((cached_mib > avail_mib - 1024)); then
  note "Only $avail_mib MiB of memory available: the cached file is $((avail_mib - 1024)) MiB instead of $cached_mib MiB."
  cached_mib=$((avail_mib - 1024))
fi
((quick)) && note "Quick mode: small sizes and one round; the figures say nothing about the targets."

# Loop devices made here; root only.
# Not called in a command substitution: the detach must be registered in
# this shell, not in a subshell.
loop_over() {  # VARIABLE FILE [losetup options...]: the device, detached on exit
  local var="$1" file="$2" dev
  shift 2
  dev=$(losetup --find --show "$@" "$file") || return
  bench_on_exit "losetup -d '$dev'"
  printf -v "$var" '%s' "$dev"
}

# Random bytes: no run of zeros a file system or device could skip.
data="$bench_out/source.bin"
head -c "$((size_mib * 1048576))" /dev/urandom >"$data"
source_path="$data" source_text="plain file of $size_mib MiB of random data (not root: no loop device)"
if ((root)); then
  loop_over source_path "$data" --read-only
  source_text="loop device over a file of $size_mib MiB of random data"
fi
# The last close of a block device drops its page cache: held open here, the
# device's own pages stay cached between the copies.
exec {source_hold}<"$source_path"
size=$(bench_size "$source_path")
gib=$(awk -v s="$size" 'BEGIN { print s / 1073741824 }')

# The drive list, while the only loop device made here is the source.
rebuild=$(bench_rebuild_vs_lsblk "$(bench_program drive_list_bench)" "$drive_rounds" 20)
read -r rebuild_ns lsblk_ns <<<"$rebuild"
drive_rows=$("$(bench_program drive_list_bench)" 1 | sed -n 's/.* of \([0-9]*\) rows.*/\1/p')

# The copies of the page-cached source, the durable ones included. The source
# is read again before every copy: a copy may drop the pages behind its reads.
xcb=1
if ! bench_start_xvfb 2>"$bench_out/xvfb.why"; then
  xcb=0
  note "No copy on xcb: $(head -n 1 "$bench_out/xvfb.why")."
fi
wm_text="no window manager"
if ((xcb)) && [[ "$wm" != none ]]; then
  command -v "$wm" >/dev/null || { echo "no window manager $wm" >&2; exit 2; }
  DISPLAY="$bench_display" "$wm" >/dev/null 2>&1 &
  wm_pid=$!
  bench_on_exit "kill $wm_pid 2>/dev/null; wait $wm_pid 2>/dev/null"
  sleep 1
  wm_text="window manager $wm"
fi
labels=(dd copy windowed vorkan vorkan-sha256 sha256sum)
((xcb)) && labels+=(windowed-xcb)
durable_labels=(copy-durable dd-fsync dd-nocache)
bench_warm "$source_path"
for ((i = 0; i < rounds; i++)); do
  for ((k = 0; k < ${#labels[@]}; k++)); do
    bench_warm "$source_path"
    label=${labels[(i + k) % ${#labels[@]}]}
    if [[ $label == sha256sum ]]; then
      bench_measure sha256sum sha256sum "$source_path" || exit 1
    else
      bench_copy "$label" "$source_path"
    fi
  done
  for ((k = 0; k < ${#durable_labels[@]}; k++)); do
    bench_warm "$source_path"
    bench_copy "${durable_labels[(i + k) % ${#durable_labels[@]}]}" "$source_path" durable
  done
done

# Footprint and survival: a source read from disk, the image not checked
# byte for byte (reading both back would fill the cache being measured), only
# its length.
fp_data="$bench_out/fp-source.bin"
for ((j = 0; j < fp_mib / size_mib; j++)); do cat "$data"; done >"$fp_data"
head -c "$(((fp_mib % size_mib) * 1048576))" "$data" >>"$fp_data"
sync -d "$fp_data"
dd if="$fp_data" iflag=nocache count=0 status=none  # drops its pages
fp_source="$fp_data" fp_text="plain file of $fp_mib MiB (not root: no loop device; its pages dropped before each copy)"
exec {source_hold}<&-
if ((root)); then
  loop_over fp_source "$fp_data" --read-only --direct-io=on
  fp_text="loop device with direct I/O over a file of $fp_mib MiB, its pages dropped before each copy"
fi
fp_size=$(bench_size "$fp_source")
drop_source() {
  if [[ -b "$fp_source" ]]; then blockdev --flushbufs "$fp_source"; fi
  dd if="$fp_data" iflag=nocache count=0 status=none
}
cache_kib() { awk '$1 == "Cached:" || $1 == "Buffers:" { s += $2 } END { print s }' /proc/meminfo; }
# One copy of the footprint source by LABEL; appends to LABEL-fp.samples
# "peak_growth_kib end_growth_kib image_resident_bytes_at_the_end
# image_resident_bytes_at_the_peak". The image's own pages (fincore) are free
# of what other programs do to the cache meanwhile.
footprint_copy() {
  local label="$1" image="$bench_out/$1.img" base peak now pid status=0 own own_peak=0
  bench_command "$label" "$fp_source" "$image"
  drop_source
  base=$(cache_kib) peak=$base
  bench_measure "$label-fp-run" "${bench_cmd[@]}" &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    now=$(cache_kib)
    ((now > peak)) && peak=$now
    own=$(fincore -b -n -o RES "$image" 2>/dev/null) || own=0
    ((own > own_peak)) && own_peak=$own
    sleep 0.1
  done
  wait "$pid" || status=$?
  now=$(cache_kib)
  ((now > peak)) && peak=$now
  ((status == 0)) || return "$status"
  [[ $(stat -c %s "$image") == "$fp_size" ]] || { echo "$label: image of the wrong length" >&2; return 1; }
  own=$(fincore -b -n -o RES "$image")
  ((own > own_peak)) && own_peak=$own
  echo "$((peak - base)) $((now - base)) $own $own_peak" >>"$bench_out/$label-fp.samples"
  rm -f "$image"
  sync
}
resident() { fincore -b -n -o RES "$1"; }
survival_copy() {
  local label="$1" image="$bench_out/$1.img" before
  bench_command "$label" "$fp_source" "$image"
  drop_source
  bench_warm "$cached"
  before=$(resident "$cached")
  bench_measure "$label-sv-run" "${bench_cmd[@]}"
  echo "$before $(resident "$cached")" >>"$bench_out/$label-sv.samples"
  rm -f "$image"
  sync
}
fp_labels=(copy dd)
for ((i = 0; i < fp_rounds; i++)); do
  for ((k = 0; k < 2; k++)); do footprint_copy "${fp_labels[(i + k) % 2]}"; done
done
cached="$bench_out/cached.bin"
truncate -s "$((cached_mib * 1048576))" "$cached"
for ((i = 0; i < fp_rounds; i++)); do
  for ((k = 0; k < 2; k++)); do survival_copy "${fp_labels[(i + k) % 2]}"; done
done
rm -f "$cached"

# Holes: a mostly empty ext4 volume, unmounted, copied onto ext4.
holes_row=""
if ((root)) && command -v mkfs.ext4 >/dev/null; then
  vol="$bench_out/holes.vol"
  truncate -s "$((holes_mib * 1048576))" "$vol"
  loop_over hloop "$vol"
  mkfs.ext4 -q -F "$hloop"
  mkdir "$bench_out/holes.mnt"
  mount "$hloop" "$bench_out/holes.mnt"
  bench_on_exit "mountpoint -q '$bench_out/holes.mnt' && umount '$bench_out/holes.mnt'"
  for ((j = 0; j < 10; j++)); do
    head -c "$((holes_data_mib * 104858))" /dev/urandom >"$bench_out/holes.mnt/data$j"
  done
  umount "$bench_out/holes.mnt"
  image_dir="$bench_out"
  if [[ "$image_fs" != ext4 ]]; then
    # The image goes on an ext4 volume of its own.
    truncate -s "$(((holes_mib + 256) * 1048576))" "$bench_out/image.vol"
    loop_over iloop "$bench_out/image.vol"
    mkfs.ext4 -q -F "$iloop"
    mkdir "$bench_out/image.mnt"
    mount "$iloop" "$bench_out/image.mnt"
    bench_on_exit "mountpoint -q '$bench_out/image.mnt' && umount '$bench_out/image.mnt'"
    image_dir="$bench_out/image.mnt"
  fi
  "$(bench_program copy_bench)" "$hloop" "$image_dir/holes.img" >"$bench_out/holes.out"
  holes_room_kib=$(du -k "$image_dir/holes.img" | cut -f1)
  holes_len=$(stat -c %s "$image_dir/holes.img")
  holes_sum_dev=$(sha256sum <"$hloop" | cut -d' ' -f1)
  holes_sum_img=$(sha256sum <"$image_dir/holes.img" | cut -d' ' -f1)
  rm -f "$image_dir/holes.img"
  holes_row="$holes_room_kib $holes_len $([[ "$holes_sum_dev" == "$holes_sum_img" ]] && echo 1 || echo 0)"
  holes_text="$holes_mib MiB ext4 volume (mkfs.ext4 defaults) with $holes_data_mib MiB in 10 files, image on $(findmnt -n -o FSTYPE -T "$image_dir")"
else
  note "No holes measure: it needs root and mkfs.ext4 for a loop device."
fi

# --- The figures ------------------------------------------------------------
col() { bench_field "$1" "$2"; }                      # elapsed 1, user+sys 5
file_col() { awk -v n="$2" '{ print $n }' "$bench_out/$1"; }
lowest() { sort -g | head -n 1; }
# Per-round ratios of two columns given as files, A over B, one a line.
ratios() { paste -d' ' "$1" "$2" | awk '{ print $1 / $2 }'; }
range() { sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s %s", lo, hi }'; }
# Verdict of VALUE with per-round LO..HI against OP TARGET.
judge() {
  awk -v v="$1" -v lo="$2" -v hi="$3" -v op="$4" -v t="$5" '
    function ok(x) { return op == ">=" ? x >= t : x <= t }
    BEGIN { n = ok(v) + ok(lo) + ok(hi); print n == 3 ? "met" : n == 0 ? "not met" : "inconclusive" }'
}
f3() { awk -v x="$1" 'BEGIN { printf "%.3f", x }'; }
rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 | $6 | $7 |"); }
t="$bench_out/t"
mkdir "$t"
col dd 1 >"$t/dd"; col copy 1 >"$t/copy"; col dd 5 >"$t/dd.cpu"; col copy 5 >"$t/copy.cpu"
file_col copy-call.samples 1 >"$t/copy.call"
file_col windowed-call.samples 1 >"$t/win.call"
mbs() { awk -v s="$1" -v t="$2" 'BEGIN { printf "%.0f MB/s", s / t / 1e6 }'; }
base_of() { [[ -r "$baseline" ]] && awk -v k="$1" '$1 == k { print $2 }' "$baseline" || true; }

# Headless against dd, against today's ratios.
dd_best=$(lowest <"$t/dd") copy_best=$(lowest <"$t/copy")
v=$(awk -v a="$dd_best" -v b="$copy_best" 'BEGIN { print a / b }')
read -r lo hi <<<"$(ratios "$t/dd" "$t/copy" | range)"
b=$(base_of headless_throughput_ratio)
if [[ -n "$b" ]]; then tg="≥ $(f3 "$b") (today)" vd=$(judge "$v" "$lo" "$hi" ">=" "$b"); else tg="≥ today (no baseline)" vd="no baseline"; fi
row "headless copy throughput over dd's (copy_bench; dd bs=256K)" "$(mbs "$size" "$copy_best")" "$(mbs "$size" "$dd_best")" "$(f3 "$v")" "$tg" "$vd" "$(f3 "$lo")–$(f3 "$hi")"
headless_ratio=$v
v=$(awk -v a="$(lowest <"$t/copy.cpu")" -v b="$(lowest <"$t/dd.cpu")" 'BEGIN { print a / b }')
read -r lo hi <<<"$(ratios "$t/copy.cpu" "$t/dd.cpu" | range)"
b=$(base_of headless_cpu_ratio)
if [[ -n "$b" ]]; then tg="≤ $(f3 "$b") (today)" vd=$(judge "$v" "$lo" "$hi" "<=" "$b"); else tg="≤ today (no baseline)" vd="no baseline"; fi
row "headless CPU s/GiB, user+system, over dd's" \
  "$(awk -v c="$(lowest <"$t/copy.cpu")" -v g="$gib" 'BEGIN { printf "%.3f", c / g }')" \
  "$(awk -v c="$(lowest <"$t/dd.cpu")" -v g="$gib" 'BEGIN { printf "%.3f", c / g }')" "$(f3 "$v")" "$tg" "$vd" "$(f3 "$lo")–$(f3 "$hi")"
headless_cpu=$v

# The command line: the executable against the bench's copy and dd with the
# same durability; its digest beside the copy against the slower of the copy
# and sha256sum alone; its read-back against dd's direct read of the image.
col vorkan 1 >"$t/vorkan"; col vorkan-sha256 1 >"$t/vorkan-sha"; col sha256sum 1 >"$t/sha256sum"
col dd-fsync 1 >"$t/dd-fsync"
v=$(awk -v a="$(lowest <"$t/vorkan")" -v b="$(lowest <"$t/dd-fsync")" 'BEGIN { print a / b }')
read -r lo hi <<<"$(ratios "$t/vorkan" "$t/dd-fsync" | range)"
row "vorkan copy time over dd bs=256K conv=fsync's (the bench's copy: $(f3 "$(lowest <"$t/copy")") s)" \
  "$(f3 "$(lowest <"$t/vorkan")") s" "$(f3 "$(lowest <"$t/dd-fsync")") s" "$(f3 "$v")" "≤ 1.000" \
  "$(judge "$v" "$lo" "$hi" "<=" 1)" "$(f3 "$lo")–$(f3 "$hi")"
paste -d' ' "$t/vorkan" "$t/sha256sum" | awk '{ print ($1 > $2 ? $1 : $2) }' >"$t/slower"
v=$(awk -v a="$(lowest <"$t/vorkan-sha")" -v b="$(lowest <"$t/slower")" 'BEGIN { print a / b }')
read -r lo hi <<<"$(ratios "$t/vorkan-sha" "$t/slower" | range)"
row "vorkan copy --sha256 time over the slower of the plain copy and sha256sum" \
  "$(f3 "$(lowest <"$t/vorkan-sha")") s" "$(f3 "$(lowest <"$t/slower")") s" "$(f3 "$v")" "≤ 1.050" \
  "$(judge "$v" "$lo" "$hi" "<=" 1.05)" "$(f3 "$lo")–$(f3 "$hi")"
verify_image="$bench_out/verify.img"
"$(bench_vorkan)" copy "$source_path" "$verify_image" --replace --force --checksum-file >/dev/null || exit 1
for ((i = 0; i < rounds; i++)); do
  bench_measure verify "$(bench_vorkan)" verify "$verify_image" || exit 1
  bench_measure dd-direct dd if="$verify_image" of=/dev/null bs=1M iflag=direct || exit 1
done
col verify 1 >"$t/verify"; col dd-direct 1 >"$t/dd-direct"
v=$(awk -v a="$(lowest <"$t/dd-direct")" -v b="$(lowest <"$t/verify")" 'BEGIN { print a / b }')
read -r lo hi <<<"$(ratios "$t/dd-direct" "$t/verify" | range)"
row "vorkan verify read-back rate over dd iflag=direct's" "$(mbs "$size" "$(lowest <"$t/verify")")" \
  "$(mbs "$size" "$(lowest <"$t/dd-direct")")" "$(f3 "$v")" "≥ 0.900" "$(judge "$v" "$lo" "$hi" ">=" 0.9)" \
  "$(f3 "$lo")–$(f3 "$hi")"
rm -f "$verify_image" "$verify_image.sha256"

# The windows against the headless copy: the copy calls alone (a Qt
# program's start-up and exit are not part of a copy).
win_row() {  # LABEL CALLFILE NAME TARGET
  local best lo hi v vd
  best=$(lowest <"$2")
  v=$(awk -v a="$(lowest <"$t/copy.call")" -v b="$best" 'BEGIN { print a / b }')
  read -r lo hi <<<"$(ratios "$t/copy.call" "$2" | range)"
  vd="–"
  [[ "$4" != "–" ]] && vd=$(judge "$v" "$lo" "$hi" ">=" "${4#≥ }")
  row "$3 throughput over the headless copy's (copy calls)" "$(mbs "$size" "$best")" "$(mbs "$size" "$(lowest <"$t/copy.call")")" \
    "$(f3 "$v")" "$([[ "$4" == "–" ]] && echo "–" || echo "$4 × headless")" "$vd" "$(f3 "$lo")–$(f3 "$hi")"
}
if ((xcb)); then
  file_col windowed-xcb-call.samples 1 >"$t/xcb.call"
  win_row windowed-xcb "$t/xcb.call" "windowed copy on Xvfb, xcb" "≥ 0.97"
  ticks=$(getconf CLK_TCK)
  awk -v t="$ticks" -v g="$gib" '{ print $1 / t / g }' "$bench_out/windowed-xcb-xticks.samples" >"$t/xcpu"
  v=$(awk -v t="$ticks" -v g="$gib" '{ s += $1; n++ } END { print s / t / g / n }' "$bench_out/windowed-xcb-xticks.samples")
  read -r lo hi <<<"$(range <"$t/xcpu")"
  row "X server CPU s/GiB over the whole xcb run (Xvfb utime+stime, all rounds)" "$(f3 "$v")" "" "–" "≤ 0.020" \
    "$(judge "$v" "$lo" "$hi" "<=" 0.02)" "$(f3 "$lo")–$(f3 "$hi")"
  # The copy call alone in nanoseconds (schedstat) where the kernel counts
  # them: a copy call costs the server a few ticks only.
  xcall="$bench_out/windowed-xcb-xcallns.samples" unit=1e9 how="schedstat"
  [[ -s "$xcall" ]] || xcall="$bench_out/windowed-xcb-xcall.samples" unit=$ticks how="utime+stime"
  awk -v t="$unit" -v g="$gib" '{ print $1 / t / g }' "$xcall" >"$t/xcall"
  v=$(awk -v t="$unit" -v g="$gib" '{ s += $1; n++ } END { print s / t / g / n }' "$xcall")
  read -r lo hi <<<"$(range <"$t/xcall")"
  row "X server CPU s/GiB during the xcb copy call ($how, all rounds)" "$(f3 "$v")" "" "–" "≤ 0.020" \
    "$(judge "$v" "$lo" "$hi" "<=" 0.02)" "$(f3 "$lo")–$(f3 "$hi")"
  v=$(awk -v c="$(col windowed-xcb 5 | lowest)" -v g="$gib" 'BEGIN { print c / g }')
  row "windowed copy on xcb, the program's CPU s/GiB, user+system" "$(f3 "$v")" "$(f3 "$(awk -v c="$(lowest <"$t/copy.cpu")" -v g="$gib" 'BEGIN { print c / g }')") (headless)" "–" "–" "–" ""
else
  row "windowed copy on Xvfb, xcb throughput over the headless copy's (copy calls)" "–" "–" "–" "≥ 0.97 × headless" "skipped (no Xvfb)" ""
  row "X server CPU s/GiB over the whole xcb run (Xvfb utime+stime, all rounds)" "–" "" "–" "≤ 0.020" "skipped (no Xvfb)" ""
  row "X server CPU s/GiB during the xcb copy call (all rounds)" "–" "" "–" "≤ 0.020" "skipped (no Xvfb)" ""
  row "windowed copy on xcb, the program's CPU s/GiB, user+system" "–" "" "–" "–" "–" ""
fi
win_row windowed "$t/win.call" "windowed copy offscreen" "≥ 0.97"
# The CPU of the copy calls, each over the headless copy's in the same round.
cpu_row() {  # LABEL NAME
  local v lo hi
  v=$(awk -v a="$(lowest <"$bench_out/$1-callcpu.samples")" -v b="$(lowest <"$bench_out/copy-callcpu.samples")" 'BEGIN { print a / b }')
  read -r lo hi <<<"$(ratios "$bench_out/$1-callcpu.samples" "$bench_out/copy-callcpu.samples" | range)"
  row "$2 CPU s/GiB of the copy call, user+system, over the headless copy's" \
    "$(awk -v c="$(lowest <"$bench_out/$1-callcpu.samples")" -v g="$gib" 'BEGIN { printf "%.3f", c / g }')" \
    "$(awk -v c="$(lowest <"$bench_out/copy-callcpu.samples")" -v g="$gib" 'BEGIN { printf "%.3f", c / g }') (headless)" \
    "$(f3 "$v")" "≤ 1.1 × headless" "$(judge "$v" "$lo" "$hi" "<=" 1.1)" "$(f3 "$lo")–$(f3 "$hi")"
}
cpu_row windowed "windowed copy offscreen,"
((xcb)) && cpu_row windowed-xcb "windowed copy on xcb,"
wrss=$(col windowed 4 | bench_max)
((xcb)) && wrss=$({ echo "$wrss"; col windowed-xcb 4; } | bench_max)
row "windowed peak memory (max RSS)" "$(awk -v k="$wrss" 'BEGIN { printf "%.1f MiB", k / 1024 }')" \
  "$(awk -v k="$(col copy 4 | bench_max)" 'BEGIN { printf "%.1f MiB (headless)", k / 1024 }')" "–" "≤ 60 MiB" \
  "$(judge "$wrss" "$wrss" "$wrss" "<=" 61440)" ""

# Durable: the time until the image is on disk.
for l in copy-durable dd-fsync dd-nocache; do
  paste -d' ' <(col "$l" 1) "$bench_out/$l-sync.samples" | awk '{ print $1 + $2 }' >"$t/$l"
done
dur_row() {  # LABEL NAME TARGET
  local v lo hi vd
  v=$(awk -v a="$(lowest <"$t/copy-durable")" -v b="$(lowest <"$t/$1")" 'BEGIN { print a / b }')
  read -r lo hi <<<"$(ratios "$t/copy-durable" "$t/$1" | range)"
  vd="–"
  [[ "$3" != "–" ]] && vd=$(judge "$v" "$lo" "$hi" "<=" "${3#≤ }")
  row "time until the image is on disk over $2's" "$(f3 "$(lowest <"$t/copy-durable")") s" "$(f3 "$(lowest <"$t/$1")") s" "$(f3 "$v")" \
    "$([[ "$3" == "–" ]] && echo "–" || echo "$3 × $2")" "$vd" "$(f3 "$lo")–$(f3 "$hi")"
}
dur_row dd-fsync "dd bs=256K conv=fsync" "≤ 0.8"
b=$(base_of durable_time_ratio)
if [[ -n "$b" ]]; then
  v=$(awk -v a="$(lowest <"$t/copy-durable")" -v b="$(lowest <"$t/dd-fsync")" 'BEGIN { print a / b }')
  read -r lo hi <<<"$(ratios "$t/copy-durable" "$t/dd-fsync" | range)"
  row "the same, against today's ratio (headless no slower than today)" "$(f3 "$v")" "" "$(f3 "$v")" "≤ $(f3 "$b") (today)" \
    "$(judge "$v" "$lo" "$hi" "<=" "$b")" "$(f3 "$lo")–$(f3 "$hi")"
  durable_ratio=$v
fi
dur_row dd-nocache "dd bs=256K iflag=nocache oflag=nocache" "–"
sync_share=$(paste -d' ' "$bench_out/copy-durable-sync.samples" "$t/copy-durable" | awk '{ s += $1; a += $2 } END { print s / a }')
row "durable copy: the added sync -d's share of that time" "$(awk -v x="$sync_share" 'BEGIN { printf "%.1f %%", 100 * x }')" "" "–" "–" "–" ""
row "durable copy CPU s/GiB, user+system (peer dd conv=fsync)" \
  "$(awk -v c="$(col copy-durable 5 | lowest)" -v g="$gib" 'BEGIN { printf "%.3f", c / g }')" \
  "$(awk -v c="$(col dd-fsync 5 | lowest)" -v g="$gib" 'BEGIN { printf "%.3f", c / g }')" "–" "–" "–" ""
row "throughput: plain (image left in memory) / durable; peer dd plain / conv=fsync / nocache" \
  "$(mbs "$size" "$copy_best") / $(mbs "$size" "$(lowest <"$t/copy-durable")")" \
  "$(mbs "$size" "$dd_best") / $(mbs "$size" "$(lowest <"$t/dd-fsync")") / $(mbs "$size" "$(lowest <"$t/dd-nocache")")" "–" "–" "–" ""

# Footprint and survival.
mib_of() { awk -v k="$1" 'BEGIN { printf "%.0f MiB", k / 1024 }'; }
# Other programs move the whole cache both ways meanwhile: the median round.
fp_row() {  # COLUMN NAME
  local v lo hi p
  v=$(file_col copy-fp.samples "$1" | bench_median)
  read -r lo hi <<<"$(file_col copy-fp.samples "$1" | range)"
  p=$(file_col dd-fp.samples "$1" | bench_median)
  row "page-cache growth (Cached+Buffers) $2, $(mib_of $((fp_size / 1024))) copy (median round)" "$(mib_of "$v")" "$(mib_of "$p") (dd)" "–" "≤ 64 MiB" \
    "$(judge "$v" "$lo" "$hi" "<=" 65536)" "$(mib_of "$lo")–$(mib_of "$hi")"
}
fp_row 1 "at the peak (sampled)"
fp_row 2 "when the copy returns"
# The image's own pages: no other program adds to them, so the worst round.
own_row() {  # COLUMN NAME TARGET
  local v lo hi
  v=$(file_col copy-fp.samples "$1" | bench_max)
  read -r lo hi <<<"$(file_col copy-fp.samples "$1" | range)"
  row "the image's own pages in the cache (fincore) $2" "$(mib_of $((v / 1024)))" "$(mib_of "$(($(file_col dd-fp.samples "$1" | bench_max) / 1024))") (dd)" \
    "–" "$3" "$([[ "$3" == "–" ]] && echo "–" || judge "$v" "$lo" "$hi" "<=" 67108864)" "$(mib_of $((lo / 1024)))–$(mib_of $((hi / 1024)))"
}
own_row 4 "at the peak (sampled)" "≤ 64 MiB"
own_row 3 "when the copy returns" "–"
# Other programs only ever evict the file: the best round.
awk '{ print 100 * $2 / $1 }' "$bench_out/copy-sv.samples" >"$t/kept"
v=$(bench_max <"$t/kept")
read -r lo hi <<<"$(range <"$t/kept")"
row "pages of a $(mib_of $((cached_mib * 1024))) cached file kept over the copy (best round)" "$(awk -v x="$v" 'BEGIN { printf "%.2f %%", x }')" \
  "$(awk '{ k = 100 * $2 / $1; if (NR == 1 || k > m) m = k } END { printf "%.2f %% (dd)", m }' "$bench_out/dd-sv.samples")" "–" "≥ 99 %" \
  "$(judge "$v" "$lo" "$hi" ">=" 99)" "$(awk -v a="$lo" -v b="$hi" 'BEGIN { printf "%.2f–%.2f %%", a, b }')"

# Holes.
if [[ -n "$holes_row" ]]; then
  read -r room len same <<<"$holes_row"
  limit_kib=$((holes_data_mib * 1024 * 11 / 10))
  row "image of a $holes_mib MiB volume with $holes_data_mib MiB of data: room taken (du)" "$(mib_of "$room")" \
    "$((len / 1048576)) MiB long" "–" "≤ $(awk -v m="$holes_data_mib" 'BEGIN { printf "%g", m * 1.1 }') MiB" "$(judge "$room" "$room" "$room" "<=" "$limit_kib")" ""
  row "that image's SHA-256 against the device's" "$([[ $same == 1 ]] && echo equal || echo different)" "" "–" "equal" \
    "$([[ $same == 1 ]] && echo met || echo "not met")" ""
else
  row "image of a $holes_mib MiB volume with $holes_data_mib MiB of data: room taken (du)" "–" "" "–" "≤ $(awk -v m="$holes_data_mib" 'BEGIN { printf "%g", m * 1.1 }') MiB" "skipped (not root)" ""
  row "that image's SHA-256 against the device's" "–" "" "–" "equal" "skipped (not root)" ""
fi
row "drive list rebuild, $drive_rows rows (drive_list_bench; peer lsblk -f + df)" "$(awk -v x="$rebuild_ns" 'BEGIN { printf "%.2f ms", x / 1e6 }')" \
  "$(awk -v x="$lsblk_ns" 'BEGIN { printf "%.2f ms", x / 1e6 }')" "$(awk -v a="$rebuild_ns" -v b="$lsblk_ns" 'BEGIN { printf "%.3f", a / b }')" "–" "–" ""

# The measures of their own scripts: their rows, or one saying why not.
script_rows() {  # ROUNDS SCRIPT NAME TARGET [ARGS...]
  local rounds="$1" script="$2" name="$3" target="$4" status=0 out="$bench_out/$2.out" line
  shift 4
  if ((rounds == 0)); then
    note "No measure of $name (--quick, or 0 rounds)."
    return
  fi
  "$bench_root/bench/$script" --rounds "$rounds" "$@" >"$out" 2>&1 || status=$?
  if ((status == 0)); then
    while IFS= read -r line; do rows+=("$line"); done < <(grep '^|' "$out")
    note "$(grep -v '^|' "$out" | tail -n 1)"
  else
    line=$(tail -n 1 "$out")
    line=${line#SKIP: }
    line=${line#FAIL: }
    row "$name (bench/$script)" "–" "" "–" "$target" \
      "$( ((status == 77)) && echo skipped || echo failed) ($line)" ""
  fi
}
script_rows "$resp_rounds" responsiveness.sh "responsiveness during slow reads" "≤ 100 ms median, ≤ 250 ms worst" \
  --clicks "$clicks"
script_rows "$ra_rounds" readahead.sh "read-ahead where source and target are slow" "> 1"

# --- The report ---------------------------------------------------------------
cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
commit=$(git -C "$bench_root" log -1 --format=%h 2>/dev/null || echo unknown)
[[ -n "$(git -C "$bench_root" status --porcelain --untracked-files=no 2>/dev/null)" ]] && commit="$commit (with local changes)"
if grep -rqs fdatasync "$bench_root/core"; then
  sync_text="the copy syncs the image itself, so the sync -d after it finds nothing left to write"
else
  sync_text="this code does not sync the image, so the sync -d after it writes it out and is counted"
fi
echo "$(date '+%Y-%m-%d %H:%M %Z'); ${cpu_model:-unknown CPU}, $(nproc) cores, $(($(meminfo_kib MemTotal) / 1048576 + 1)) GiB," \
  "Linux $(uname -r); images on $image_fs; commit $commit; load average at start $load_at_start, at the end" \
  "$(cut -d' ' -f1-3 /proc/loadavg)."
plural() { if (($1 == 1)); then echo "1 $2"; else echo "$1 $2s"; fi; }
echo "Throughput and durable: source: $source_text ($size bytes), page-cached; $(plural "$rounds" round) of dd, headless," \
  "windowed offscreen$( ((xcb)) && echo ", windowed on Xvfb ($bench_display, xcb, $wm_text)") in turn," \
  "then of the durable headless copy, dd conv=fsync and dd nocache in turn; $sync_text." \
  "Footprint and survival: source: $fp_text; $(plural "$fp_rounds" round) of the headless copy and dd." \
  "Holes: ${holes_text:-skipped}. Drive list: $(plural "$drive_rounds" round) of 20."
echo
echo "| measure | Vorkan | peer | ratio | target | verdict | per-round spread |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "Ratios: throughput is Vorkan's over the peer's (above 1: faster), time and CPU Vorkan's over the peer's" \
  "(below 1: less), each on the fastest (leanest) run of each side; the spread is the lowest and highest ratio of" \
  "the rounds, each round pairing a run with its peer's run in the same round. The X server's CPU over the whole" \
  "run is counted in clock ticks of 1/$(getconf CLK_TCK) s$( ((xcb)) && [[ "$how" == schedstat ]] && echo ", over the copy call in nanoseconds")."
for n in "${notes[@]}"; do echo "Note: $n"; done
echo "baseline: headless_throughput_ratio $(f3 "$headless_ratio") headless_cpu_ratio $(f3 "$headless_cpu")$([[ -n "${durable_ratio:-}" ]] && echo " durable_time_ratio $(f3 "$durable_ratio")")"
