#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The launcher-entry signals of a copy: MainWindowLauncherEntry on a private
# session bus (a dbus-daemon of its own, ended by its PID), then with a
# session bus address that leads nowhere, where the copy must run with
# nothing said on stderr.
# Usage: launcher_entry.sh TEST_PROGRAM
# Exit code 77: no dbus-daemon.
set -uo pipefail

program="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

need_tools dbus-daemon
make_work
private_runtime
export QT_QPA_PLATFORM=offscreen
start_session_bus

VORKAN_LAUNCHER_BUS=private "$program" --gtest_filter='MainWindowLauncherEntry.*' || fail "on the private session bus"

DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" VORKAN_LAUNCHER_BUS=none \
  "$program" --gtest_filter='MainWindowLauncherEntry.*' 2>"$work/stderr" || fail "without a session bus"
[[ -s $work/stderr ]] && fail "without a session bus the program said on stderr: $(cat "$work/stderr")"
echo "without a session bus: the copy ran and nothing was said on stderr"
