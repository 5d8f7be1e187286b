#!/usr/bin/env bash
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
source "$(dirname "${BASH_SOURCE[0]}")/../support/dbus_bus.sh"
standin="$(dirname "${BASH_SOURCE[0]}")/logind_standin.py"

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v dbus-daemon >/dev/null || skip "needs dbus-daemon (package dbus-daemon)"
/usr/bin/python3 -c 'import dbus, dbus.mainloop.glib, gi' 2>/dev/null ||
  skip "needs /usr/bin/python3 with dbus and gi (packages python3-dbus, python3-gi)"
work="$(mktemp -d)" || exit 1
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir -m 700 "$work/runtime" "$work/services"
# The task-bar entry's session bus is none of this test's business.
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"

# A service file would start "logind" on demand by making a file.
cat >"$work/services/org.freedesktop.login1.service" <<EOT
[D-BUS Service]
Name=org.freedesktop.login1
Exec=/bin/touch $work/started
EOT
cat >"$work/bus.conf" <<EOT
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <servicedir>$work/services</servicedir>
  <policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/></policy>
</busconfig>
EOT
bus_up=1
start_bus --config-file="$work/bus.conf" || bus_up=0
pids+=("$bus_pid")  # stopped by the cleanup, up or not
((bus_up)) || fail "dbus-daemon did not start: $(cat "$work/bus.log")"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"

quiet_run() {
  VORKAN_SLEEP_BUS="$1" "$program" --gtest_filter='MainWindowSleepInhibitor.*' 2>"$work/stderr" ||
    fail "$2"
  [[ -s $work/stderr ]] && fail "$2: the program said on stderr: $(cat "$work/stderr")"
  echo "$2: the copies ran and nothing was said on stderr"
}

quiet_run no-logind "a system bus without logind"
[[ -e $work/started ]] && fail "a copy had the bus start logind on demand"

/usr/bin/python3 "$standin" >"$work/standin.out" 2>"$work/standin.log" &
pids+=($!)
for _ in $(seq 100); do
  grep -q ready "$work/standin.out" && break
  kill -0 "${pids[1]}" 2>/dev/null || break
  sleep 0.1
done
grep -q ready "$work/standin.out" || fail "the logind stand-in did not start: $(cat "$work/standin.log")"
VORKAN_SLEEP_BUS=logind "$program" --gtest_filter='MainWindowSleepInhibitor.*' ||
  fail "with logind: $(cat "$work/standin.log")"

DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" quiet_run none "no system bus"
