#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program on Qt's wayland platform under a headless compositor
# (sway with wlroots' headless backend; it refuses to run as root, so it runs
# as a user of the test's own, and the program, as root, joins its socket):
#  1. the main window maps with the app id "vorkan";
#  2. the row of a fresh FAT loop volume is selected with the keyboard
#     (virtual-keyboard protocol, wtype), Enter opens the save dialog, Enter
#     takes the proposed name, the success prompt comes and is answered: the
#     image equals the volume (SHA-256);
#  3. F1 opens the details window; Esc held for 1.5 s closes that window
#     alone, when let go; Esc then ends the program with status 0.
# Screenshots (grim) of the main window, the save dialog, the prompt and the
# details window are kept in the artefact folder.
# Usage: wayland.sh PROGRAM ROWS_HELPER ARTEFACT_DIR
# Exit code 77: the machine cannot run it.
set -uo pipefail

program="$1"
rows_helper="$2"
artefacts="$3"

source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

need_root "for a loop volume and a compositor user"
need_tools sway swaymsg wtype grim losetup mkfs.vfat truncate sha256sum blockdev useradd userdel setpriv python3
need_loop_devices
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
  skip "Qt's wayland platform is not installed (qt6-wayland)"
mkdir -p "$artefacts" || exit 1

make_work /tmp/vorkan-wayland.XXXXXX
chmod 0755 "$work"
user="vorkan-wl-$$"

failure_screen() {
  [[ -n ${WAYLAND_DISPLAY:-} ]] || return 0
  grim "$artefacts/wayland-failure.png" 2>/dev/null && echo "screen at the failure: $artefacts/wayland-failure.png"
}
on_failure failure_screen
on_failure show_log "$work/program.log" program
on_failure show_log "$work/sway.log" sway

# --- the volume ---------------------------------------------------------------

make_volume "$work/volume.img" 1440K vfat WAYLAND
dd if=/dev/urandom of="$work/volume.img" bs=64K seek=8 count=4 conv=notrunc status=none || fail "cannot fill the volume"
attach_loop "$work/volume.img"
device="$loop_device"

# --- the compositor -----------------------------------------------------------

useradd -M -r -s /usr/sbin/nologin "$user" || skip "cannot make a user for the compositor"
on_exit userdel "$user"
runtime="$work/runtime"
mkdir -m 0700 "$runtime" && chown "$user" "$runtime" || fail "cannot make $runtime"
# No bar, no wallpaper: a bare output of a fixed size.
printf 'output HEADLESS-1 resolution 1024x768\n' >"$work/sway.conf"
start_process "$work/sway.log" setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
  env -i HOME="$work" XDG_RUNTIME_DIR="$runtime" PATH=/usr/bin:/bin WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$work/sway.conf"
sway_pid=$started_pid
sway_ready() { [[ -S $runtime/wayland-1 ]] && compgen -G "$runtime/sway-ipc.*.sock" >/dev/null; }
sway_ready_or_gone() { sway_ready || ! running "$sway_pid"; }
wait_until 10 sway_ready_or_gone || true
running "$sway_pid" || skip "sway did not start: $(tail -n 3 "$work/sway.log")"
[[ -S $runtime/wayland-1 ]] || skip "sway made no Wayland socket within 10 s"
export WAYLAND_DISPLAY="$runtime/wayland-1" SWAYSOCK
SWAYSOCK="$(compgen -G "$runtime/sway-ipc.*.sock" | head -n 1)"
mkdir -m 0700 "$work/own-runtime"
export XDG_RUNTIME_DIR="$work/own-runtime"

# --- helpers ------------------------------------------------------------------

# The windows sway shows: one line each, "app_id<TAB>title<TAB>focused".
windows() {
  swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(node):
    if node.get("type") in ("con", "floating_con") and node.get("pid"):
        print("%s\t%s\t%s" % (node.get("app_id"), node.get("name"), node.get("focused")))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

# Waits until a window titled to match `pattern` has the focus.
wait_window() {
  local pattern="$1" seconds="$2" line
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    program_alive || fail "the program ended while waiting for a window named '$pattern'"
    while IFS=$'\t' read -r app title focused; do
      if [[ $title =~ $pattern && $focused == True ]]; then
        [[ $app == vorkan ]] || fail "window '$title' has app id '$app', not vorkan"
        return 0
      fi
    done < <(windows)
    sleep 0.1
  done
  windows >&2
  fail "no focused window named '$pattern' within $seconds s"
}

wait_gone() {
  local pattern="$1" seconds="$2"
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    windows | cut -f2 | grep -Eq "$pattern" || return 0
    sleep 0.1
  done
  fail "a window named '$pattern' is still there after $seconds s"
}

# Each wtype makes a keyboard of its own, and a key sent at once with its
# keymap gets lost: the keys follow after a pause.
keys() {
  local args=() k
  for k in "$@"; do args+=(-k "$k"); done
  wtype -s 300 -d 60 "${args[@]}" || fail "wtype $* failed"
}

shot() { grim "$artefacts/wayland-$1.png" || fail "grim failed"; }

# --- the copy -----------------------------------------------------------------

# The volume's row, counted from the last (see smoke.sh).
listing="$("$rows_helper" "${device#/dev/}" 2>&1)" || fail "smoke_drive_rows: $listing"
IFS=$'\t' read -r _ row root label _ <<<"$(grep $'^\\*\t' <<<"$listing")"
after=$(($(wc -l <<<"$listing") - 1 - row))
[[ $label == WAYLAND ]] || fail "the row of $device is labelled '$label'"

start_program "$work/program.log" env -C "$work" QT_QPA_PLATFORM=wayland XDG_CONFIG_HOME="$work/config" "$program"
wait_window '^Vorkan v1.2$' 20
ups=()
for ((i = 0; i < after; ++i)); do ups+=(Up); done
keys End "${ups[@]}"
sleep 0.5
shot main-window

keys Return
wait_window '^Save As$' 15
sleep 0.3
shot save-dialog
keys Return
wait_window '^Information$' 30
sleep 0.3
shot prompt
keys Return
wait_gone '^Information$' 10
wait_window '^Vorkan v1.2$' 10

letter="${root:0:1}"
image="$work/диск_${letter,,}.IMA"
[[ -f $image ]] || fail "no image ${image##*/} (found: $(ls "$work"))"
[[ $(stat -c %s "$image") == "$(blockdev --getsize64 "$device")" ]] || fail "the image's size is not the volume's"
[[ $(sha256sum <"$image" | cut -d' ' -f1) == "$(sha256sum <"$device" | cut -d' ' -f1)" ]] ||
  fail "the image's SHA-256 differs from the volume's"
echo "keyboard-only copy on wayland: ${image##*/} equals $device"

# --- held Esc, then Esc --------------------------------------------------------

keys F1
wait_window '^Информация о диске' 10
sleep 0.3
shot drive-info
# Held: the compositor repeats the key; only its release acts, in the
# details window alone.
wtype -s 300 -P Escape -s 1500 -p Escape || fail "wtype could not hold Esc"
wait_gone '^Информация о диске' 5
wait_window '^Vorkan v1.2$' 5
program_alive || fail "held Esc ended the program"
keys Escape
program_ends_well 15 "Esc"
echo "app id vorkan on every window; held Esc closed the details window only; Esc ended the program"
