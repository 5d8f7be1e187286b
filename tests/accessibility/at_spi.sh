#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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

source "$here/../support/lib.sh"

need_tools Xvfb timeout
need_a11y
make_work
on_failure show_log "$work/driver.log" driver

mkdir -m 700 "$work/files"
private_runtime
export HOME="$work"
start_xvfb
start_a11y_buses

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$tests" --gtest_filter=Accessible.ChangesReachAssistiveTools >"$work/tests.log" 2>&1 ||
  fail "the events on xcb: $(cat "$work/tests.log")"
grep -q '^\[  PASSED  \] 1 test' "$work/tests.log" || fail "the events on xcb did not run: $(cat "$work/tests.log")"
echo "the events on xcb: $(grep -c '^\[       OK \]' "$work/tests.log") test passed"

start_program "$work/driver.log" "$driver" "$work/files"

timeout 150 "$a11y_python" "$here/at_spi_check.py" "$(basename "$driver")" "$work/files" || fail "at_spi_check.py"
program_ends_well 10 "Выход"
echo "the copy followed over AT-SPI made an image equal to the volume"
