#!/usr/bin/env bash
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
if [[ $(id -u) -ne 0 ]] && ! id -nG | tr ' ' '\n' | grep -qx disk; then
  echo "Note: reading raw volumes needs root or membership of the 'disk' group." >&2
fi
exec "$program" "$@"
