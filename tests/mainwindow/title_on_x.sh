#!/usr/bin/env bash
# The copy's title on a real X server (Xvfb, xcb platform): after a pause,
# the progress window's hiding and the copy, the icon name the server holds
# for every visible window is the latest title (MainWindowTitle, which reads
# the server's _NET_WM_ICON_NAME on xcb).
# Usage: title_on_x.sh TEST_PROGRAM
# Exit code 77: no Xvfb.
set -uo pipefail

program="$1"

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"

command -v Xvfb >/dev/null || skip "needs Xvfb"
work="$(mktemp -d)" || exit 1
xvfb_pid="" display=""
cleanup() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

start_xvfb
mkdir -m 700 "$work/runtime"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$program" --gtest_filter='MainWindowTitle.*'
