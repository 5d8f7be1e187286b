#!/usr/bin/env bash
# The launcher-entry signals of a copy: MainWindowLauncherEntry on a private
# session bus (a dbus-daemon of its own, ended by its PID), then with a
# session bus address that leads nowhere, where the copy must run with
# nothing said on stderr.
# Usage: launcher_entry.sh TEST_PROGRAM
# Exit code 77: no dbus-daemon.
set -uo pipefail

program="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../support/dbus_bus.sh"

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v dbus-daemon >/dev/null || skip "needs dbus-daemon (package dbus-daemon)"
work="$(mktemp -d)" || exit 1
bus_pid=""
cleanup() {
  if [[ -n $bus_pid ]]; then
    kill "$bus_pid" 2>/dev/null
    wait "$bus_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen

start_bus --session --address="unix:path=$work/bus" || fail "dbus-daemon did not start: $(cat "$work/bus.log")"

DBUS_SESSION_BUS_ADDRESS="$bus_address" VORKAN_LAUNCHER_BUS=private \
  "$program" --gtest_filter='MainWindowLauncherEntry.*' || fail "on the private session bus"

DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" VORKAN_LAUNCHER_BUS=none \
  "$program" --gtest_filter='MainWindowLauncherEntry.*' 2>"$work/stderr" || fail "without a session bus"
[[ -s $work/stderr ]] && fail "without a session bus the program said on stderr: $(cat "$work/stderr")"
echo "without a session bus: the copy ran and nothing was said on stderr"
