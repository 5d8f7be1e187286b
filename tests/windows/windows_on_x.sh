#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program on a real X server (Xvfb, xcb platform) under a window
# manager (openbox), whose frames the windows are centred with:
#  1. the main window, and the details window (F1) at its first and second
#     opening, and the about window at its first opening and after "Ok",
#     stand centred on the screen, frame included;
#  2. Esc held for 1.5 s in the details window closes only that window, and
#     only when let go: auto-repeat must not reach the main window;
#  3. Esc held in the main window ends the program only when let go.
# Usage: windows_on_x.sh PROGRAM ARTEFACT_DIR
# Exit code 77: the machine cannot run it (not root, no loop devices, no X
# tools, an X server that does not auto-repeat).
set -uo pipefail

program="$1"
artefacts="$2"

source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

need_root "to attach the loop volume that gives the drive list a row"
need_tools Xvfb openbox xdotool xwininfo xprop xev losetup mkfs.ext4 truncate timeout
need_loop_devices
mkdir -p "$artefacts" || exit 1
make_work "$artefacts/run.XXXXXX"
on_failure print_windows
on_failure show_log "$work/program.log" program

# A volume of its own, so that the drive list has a row for F1 to open.
loop_volume 4M ext4 KEYS

# --- the X server and the window manager ---------------------------------------

start_xvfb
# No configuration of the machine's: the same frames everywhere.
start_window_manager --config-file /dev/null

# A held key must auto-repeat on this server, or the holds below prove nothing.
start_process "$work/xev.log" xev -event keyboard -name keycheck
probe="$(timeout 5 xdotool search --sync --onlyvisible --name '^keycheck$' | head -n 1)"
[[ -n $probe ]] && xdotool windowfocus --sync "$probe" && xdotool keydown space && sleep 1 && xdotool keyup space
sleep 0.3
stop_process "$started_pid"
(($(grep -c KeyRelease "$work/xev.log") >= 3)) || skip "the X server sends no auto-repeat for a held key"

# --- helpers ------------------------------------------------------------------

# The first visible window whose name matches, within `seconds`.
wait_window() {
  local pattern="$1" seconds="$2" w
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    program_alive || fail "the program ended while waiting for '$pattern'"
    w="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)"
    [[ -n $w ]] && { echo "$w"; return 0; }
    sleep 0.1
  done
  fail "no window named '$pattern' within $seconds s"
}

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -q .; }

# "x y": where the window's frame stands, once the window manager has framed
# it; fails unless that is the centre of the 800 x 600 screen (half the
# screen less half the frame, each halved on its own).
centred_frame() {
  local w="$1" what="$2" extents info x y width height left right top bottom
  for _ in $(seq 50); do
    extents="$(xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p')"
    [[ -n $extents ]] && break
    sleep 0.1
  done
  [[ -n $extents ]] || fail "the $what has no frame"
  IFS=', ' read -r left right top bottom <<<"$extents"
  sleep 0.3  # a window placed again when its frame came has moved by now
  info="$(xwininfo -id "$w")"
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  width=$(sed -n 's/^ *Width: *//p' <<<"$info")
  height=$(sed -n 's/^ *Height: *//p' <<<"$info")
  local fx=$((x - left)) fy=$((y - top)) fw=$((width + left + right)) fh=$((height + top + bottom))
  local cx=$((800 / 2 - fw / 2)) cy=$((600 / 2 - fh / 2))
  ((fx == cx && fy == cy)) || fail "the $what's frame ($fw x $fh) stands at $fx,$fy, not centred at $cx,$cy"
  echo "$fx $fy"
}

# Esc held for 1.5 s into window `w` (given the focus first).
hold_escape() {
  xdotool windowfocus --sync "$1" || fail "cannot focus window $1"
  xdotool keydown Escape
  sleep 1.5
}

# --- start-up -----------------------------------------------------------------

mkdir -m 700 "$work/runtime"
start_program "$work/program.log" env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$program"
main="$(wait_window '^Vorkan v1.2$' 20)" || exit 1
echo "main window at $(centred_frame "$main" "main window" || exit 1)"

# --- the details window: placement and a held Esc ---------------------------------

xdotool windowfocus --sync "$main" && xdotool key F1
details="$(wait_window '^Информация о диске$' 10)" || exit 1
first="$(centred_frame "$details" "details window (first opening)")" || exit 1
echo "details window, first opening, at $first"

hold_escape "$details"
program_alive || fail "the program ended while Esc was held in the details window"
visible '^Информация о диске$' || fail "the details window closed before Esc was let go"
xdotool keyup Escape
sleep 0.5
program_alive || fail "the program ended when Esc was let go in the details window"
visible '^Информация о диске$' && fail "the details window is still open after Esc was let go"
visible '^Vorkan v1.2$' || fail "the main window is gone after Esc in the details window"
echo "Esc held in the details window closed it, on its release only"

xdotool windowfocus --sync "$main" && xdotool key F1
details="$(wait_window '^Информация о диске$' 10)" || exit 1
second="$(centred_frame "$details" "details window (second opening)")" || exit 1
[[ $second == "$first" ]] || fail "the details window opened at $second the second time, at $first the first"
xdotool windowfocus --sync "$details" && xdotool key Return
sleep 0.5
visible '^Информация о диске$' && fail "Enter did not close the details window"

# --- the about window ------------------------------------------------------------

# "О программе": 75 x 25 at 8, 208 of the main window.
about_at() {
  xdotool mousemove --window "$main" 45 220 click 1
  local w=""
  for _ in $(seq 100); do
    w="$(xdotool search --onlyvisible --name '^Vorkan v1.2$' 2>/dev/null | grep -vx "$main" | head -n 1)"
    [[ -n $w ]] && break
    sleep 0.1
  done
  [[ -n $w ]] || fail "the about window did not open"
  centred_frame "$w" "about window ($1)" || exit 1
  xdotool windowfocus --sync "$w" && xdotool key Return  # "Ok": centred again next time
  sleep 0.5
}
about_first="$(about_at "first opening")" || exit 1
about_second="$(about_at "after Ok")" || exit 1
[[ $about_second == "$about_first" ]] || fail "the about window opened at $about_second after Ok, at $about_first first"
echo "about window at $about_first both times"

# --- a held Esc in the main window --------------------------------------------------

hold_escape "$main"
program_alive || fail "the program ended while Esc was still held in the main window"
visible '^Vorkan v1.2$' || fail "the main window closed before Esc was let go"
xdotool keyup Escape
program_ends_well 5 "Esc was let go in the main window"
echo "Esc held in the main window ended the program on its release, with status 0"
