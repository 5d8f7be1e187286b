#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program on a real X server (Xvfb) with a real loop volume:
#  1. attach a small FAT volume filled with bytes of its own;
#  2. start the program and wait for its main window;
#  3. select the volume's row with the keyboard (where it is comes from the
#     same drive list code, run by smoke_drive_rows), take a screenshot,
#     press Enter: the save dialog proposes "диск_<letter>", Enter accepts it;
#  4. answer the success prompt, check that the image has the volume's size
#     and bytes (only that volume's row gives them: they are random);
#  5. Esc closes the main window on release; the program must exit with 0.
# Usage: smoke.sh PROGRAM ROWS_HELPER ARTEFACT_DIR
# Exit code 77: the machine cannot run it (not root, no loop devices, no X
# tools).
set -uo pipefail

program="$1"
rows_helper="$2"
artefacts="$3"

source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

need_root "to attach a loop device"
need_tools Xvfb xdotool import losetup mkfs.vfat truncate sha256sum blockdev timeout df dd
need_loop_devices
mkdir -p "$artefacts" || exit 1
# The image goes next to the volume's backing file; the program counts a
# folder without a block device (tmpfs) as having no room.
case "$(df --output=source "$artefacts" 2>/dev/null | tail -n 1)" in
  /dev/*) ;;
  *) skip "$artefacts is not on a block device, so the program would see no room for the image" ;;
esac

make_work "$artefacts/run.XXXXXX"
screenshot="$artefacts/smoke-main-window.png"
failshot="$artefacts/smoke-failure.png"
rm -f "$screenshot" "$failshot"

failure_screen() {
  [[ -n ${DISPLAY:-} ]] || return 0
  import -window root "$failshot" 2>/dev/null && echo "screen at the failure: $failshot"
  print_windows
}
on_failure failure_screen
on_failure show_log "$work/program.log" program

# --- the volume ---------------------------------------------------------------

backing="$work/volume.img"
make_volume "$backing" 1440K vfat SMOKE
# Random bytes in the free data area make the volume's content unlike any
# other's.
dd if=/dev/urandom of="$backing" bs=64K seek=8 count=4 conv=notrunc status=none || fail "cannot fill $backing"
# A loop device numbered far above those that "losetup -f" hands out, so
# that other programs' loop volumes coming and going do not change how many
# rows follow this one's; the first free one when none can be had up there.
attach_loop "$backing" 100
device="$loop_device"
echo "volume: $device (backing file $backing)"

# --- the X server -------------------------------------------------------------

start_xvfb
echo "X server: $DISPLAY"

# --- helpers ------------------------------------------------------------------

# The first window on screen whose name matches the pattern; fails at once on
# a prompt that should not come (the expected one excepted), when the program
# ends, or after `seconds`.
wait_window() {
  local pattern="$1" seconds="$2" w name
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    program_alive || fail "the program ended while waiting for a window named '$pattern'"
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      name="$(xdotool getwindowname "$w" 2>/dev/null)" || continue
      if [[ $name =~ $pattern ]]; then
        echo "$w"
        return 0
      fi
      if [[ $name =~ ^(Error|Warning|Confirm)$ ]]; then
        fail "an unexpected '$name' prompt came while waiting for '$pattern'"
      fi
    done
    sleep 0.1
  done
  fail "no window named '$pattern' within $seconds s"
}

wait_gone() {
  local w="$1" seconds="$2"
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$w" || return 0
    sleep 0.1
  done
  fail "window $w still on screen after $seconds s"
}

# Real key presses and releases (XTEST) into the window, which gets the input
# focus first: there is no window manager to give it.
keys() {
  local w="$1"
  shift
  xdotool windowfocus --sync "$w" || fail "cannot focus window $w"
  xdotool key --delay 60 "$@" || fail "xdotool key $* failed"
}

drive_rows() { "$rows_helper" "$@" 2>&1; }

# --- start-up -----------------------------------------------------------------

# One look at the drives: sets `listing`, `row` (the volume's index), `after`
# (the number of rows below it), `root` and `label`.
locate() {
  local line
  listing="$(drive_rows "${device#/dev/}")" || fail "smoke_drive_rows: $listing"
  line="$(grep $'^\\*\t' <<<"$listing")"
  IFS=$'\t' read -r _ row root label _ <<<"$line"
  after=$(($(wc -l <<<"$listing") - 1 - row))
}

started=$SECONDS
locate
after_before=$after
mkdir -m 700 "$work/runtime" "$work/config"
# A config folder of its own: the save dialog then opens in the working
# folder, not in one remembered from another run.
start_program "$work/program.log" env -C "$work" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
  XDG_CONFIG_HOME="$work/config" "$program"

# Waits of a second each, so that a program that dies is noticed at once.
main=""
for _ in $(seq 20); do
  main="$(timeout 1 xdotool search --sync --onlyvisible --name '^Vorkan v1.2$' 2>/dev/null | head -n 1)"
  [[ -n $main ]] && break
  program_alive || fail "the program ended before its window came"
done
[[ -n $main ]] || fail "no window titled 'Vorkan v1.2' within 20 s"
echo "main window: $main after $((SECONDS - started)) s"

# The program built its list between the two looks. When the number of rows
# below the volume changed meanwhile (another program attached or detached
# a volume), the list is refreshed (F5) between two more.
locate
tries=0
while ((after != after_before)); do
  ((++tries <= 10)) || fail "the volumes listed below the test's keep changing"
  echo "the drive list changed during start-up; refreshing"
  locate
  after_before=$after
  keys "$main" F5
  sleep 0.3
  locate
done
echo "drive list:"
sed 's/^/  /' <<<"$listing"
[[ $label == SMOKE ]] || fail "the row of $device is labelled '$label', not SMOKE"
echo "volume row: $row ($root), $after row(s) below it"

# --- select the row, screenshot, copy ---------------------------------------------

# The list has the focus from start-up. Counted from the last row, as the
# rows below the volume's are the steady ones.
ups=()
for ((i = 0; i < after; ++i)); do ups+=(Up); done
keys "$main" End "${ups[@]}"
sleep 0.5
import -window root "$screenshot" || fail "screenshot failed"
echo "screenshot: $screenshot"

keys "$main" Return
dialog="$(wait_window '^Save As$' 15)" || exit 1
# The proposed name, "диск_" and the letter, in the working folder.
keys "$dialog" Return
prompt="$(wait_window '^Information$' 30)" || exit 1
images=("$work"/диск_*.IMA)
[[ ${#images[@]} -eq 1 && -f ${images[0]} ]] || fail "not one image диск_?.IMA after the copy (found: $(ls "$work"))"
image="${images[0]}"
[[ ${image##*/} =~ ^диск_[a-z]\.IMA$ ]] || fail "the image is named ${image##*/}, not after a drive letter"
letter="${root:0:1}"
[[ ${image##*/} == "диск_${letter,,}.IMA" ]] ||
  echo "note: the letters moved after the last look (another volume came or went); the bytes decide"
keys "$prompt" Return
wait_gone "$prompt" 10
main="$(wait_window '^Vorkan v1.2$' 10)" || exit 1

volume_size="$(blockdev --getsize64 "$device")"
image_size="$(stat -c %s "$image")"
[[ $image_size == "$volume_size" ]] || fail "image has $image_size bytes, the volume $volume_size"
volume_sum="$(sha256sum <"$device" | cut -d' ' -f1)"
image_sum="$(sha256sum <"$image" | cut -d' ' -f1)"
[[ $image_sum == "$volume_sum" ]] || fail "image SHA-256 $image_sum differs from the volume's $volume_sum"
echo "image $image: $image_size bytes, SHA-256 $image_sum as the volume's"

# --- Esc ends the program ------------------------------------------------------------

keys "$main" Escape
program_ends_well 15 "Esc"
echo "the program exited with status 0 after Esc; $((SECONDS - started)) s in all"
