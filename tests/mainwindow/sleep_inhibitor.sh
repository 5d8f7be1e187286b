#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The sleep inhibitor of copies through the windows (MainWindowSleepInhibitor)
# on a system bus of the test's own (a dbus-daemon ended by its PID): first
# with no logind on it, where a logind the bus could start on demand must not
# be started; then with logind_standin.py owning logind's name; then with a
# system bus address that leads nowhere. Without logind the copies run with
# nothing said on stderr.
# Usage: sleep_inhibitor.sh TEST_PROGRAM
# Exit code 77: no dbus-daemon, or no python3-dbus / python3-gi.
set -uo pipefail

program="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"
standin="$(dirname "${BASH_SOURCE[0]}")/logind_standin.py"

need_tools dbus-daemon
/usr/bin/python3 -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null ||
  skip "needs /usr/bin/python3 with dbus and gi (packages python3-dbus, python3-gi)"
make_work
private_runtime
mkdir -m 700 "$work/services"
# The task-bar entry's session bus is none of this test's business.
export QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"

# A service file would start "logind" on demand by making a file.
cat >"$work/services/org.freedesktop.login1.service" <<EOT
[D-BUS Service]
Name=org.freedesktop.login1
Exec=/bin/touch $work/started
EOT
start_system_bus "$work/services"

quiet_run() {
  VORKAN_SLEEP_BUS="$1" "$program" --gtest_filter='MainWindowSleepInhibitor.*' 2>"$work/stderr" ||
    fail "$2"
  [[ -s $work/stderr ]] && fail "$2: the program said on stderr: $(cat "$work/stderr")"
  echo "$2: the copies ran and nothing was said on stderr"
}

quiet_run no-logind "a system bus without logind"
[[ -e $work/started ]] && fail "a copy had the bus start logind on demand"

start_process "$work/standin.out" /usr/bin/python3 "$standin"
standin_pid=$started_pid
standin_ready() { grep -q ready "$work/standin.out" || ! running "$standin_pid"; }
wait_until 10 standin_ready || true
grep -q ready "$work/standin.out" || fail "the logind stand-in did not start: $(cat "$work/standin.out")"
VORKAN_SLEEP_BUS=logind "$program" --gtest_filter='MainWindowSleepInhibitor.*' ||
  fail "with logind: $(cat "$work/standin.out")"

DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus" quiet_run none "no system bus"
