#!/usr/bin/env bash
# The windows as a screen reader sees them over AT-SPI: the driver's windows
# on Xvfb (xcb platform, accessibility forced on) with a private session bus
# and an accessibility bus of their own; at_spi_check.py then reads and
# drives them through AT-SPI alone.
# The in-process test of the events Qt hands to AT-SPI runs here too, where
# the platform has accessibility.
# Usage: at_spi.sh DRIVER IN_PROCESS_TESTS
# Exit code 77: Xvfb, dbus-daemon, the AT-SPI services or pyatspi missing, or
# AT-SPI does not come up.
set -uo pipefail

driver="$1"
tests="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

skip() { echo "SKIP: $*"; exit 77; }
source "$here/../support/xvfb.sh"

source "$here/../support/a11y_bus.sh"
python=$a11y_python
for tool in Xvfb timeout; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done
why="$(a11y_missing)"
[[ -z $why ]] || skip "$why"

work="$(mktemp -d)" || exit 1
xvfb_pid="" bus_pid="" launcher_pid="" registry_pid="" driver_pid="" display=""
cleanup() {
  for pid in "$driver_pid" "$registry_pid" "$launcher_pid" "$bus_pid" "$xvfb_pid"; do
    [[ -n $pid ]] || continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
  exec >&2
  echo "FAIL: $*"
  [[ -s $work/driver.log ]] && sed 's/^/  driver: /' "$work/driver.log"
  exit 1
}

mkdir -m 700 "$work/runtime" "$work/files"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work"
start_xvfb

start_a11y_buses

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$tests" --gtest_filter=Accessible.ChangesReachAssistiveTools >"$work/tests.log" 2>&1 ||
  fail "the events on xcb: $(cat "$work/tests.log")"
grep -q '^\[  PASSED  \] 1 test' "$work/tests.log" || fail "the events on xcb did not run: $(cat "$work/tests.log")"
echo "the events on xcb: $(grep -c '^\[       OK \]' "$work/tests.log") test passed"

"$driver" "$work/files" >"$work/driver.log" 2>&1 &
driver_pid=$!

timeout 150 "$python" "$here/at_spi_check.py" "$(basename "$driver")" "$work/files" || fail "at_spi_check.py"
for _ in $(seq 100); do
  kill -0 "$driver_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$driver_pid" 2>/dev/null && fail "the driver did not end after Выход"
wait "$driver_pid"
status=$?
driver_pid=""
((status == 0)) || fail "the driver ended with $status"
echo "the copy followed over AT-SPI made an image equal to the volume"
