#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program and starts it on the current desktop.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" build

program="$here/build/app/vorkan"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: start the program from a desktop session, or give it a virtual one:" >&2
  echo "  Xvfb :99 & DISPLAY=:99 $program" >&2
  exit 1
fi
# A normal user reads the volumes it may not open itself through udisks2
# (README.md, Privileges); say so, and say where that cannot work here.
udisks2_on_bus() {
  local method
  for method in ListNames ListActivatableNames; do
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      "org.freedesktop.DBus.$method" 2>/dev/null | grep -q '"org.freedesktop.UDisks2"' && return 0
  done
  return 1
}
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v dbus-send >/dev/null || udisks2_on_bus; then
    echo "Note: volumes your user may not read are opened through udisks2, after the desktop's password prompt." >&2
  else
    echo "Note: udisks2 is not on the system bus here, so only volumes your user may read can be copied;" \
      "install udisks2 and polkitd, or run as root." >&2
  fi
  echo "Joining the 'disk' group is not advised: it lets every program you run write every disk." >&2
fi
exec "$program" "$@"
