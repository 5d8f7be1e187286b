# Sourced by the scripts that read the program over AT-SPI: a private
# session bus and an accessibility bus of its own, with the AT-SPI registry.
# Needs $work for its files and a `skip` function of the script's; sets
# bus_pid, launcher_pid and registry_pid (for the script to stop) and
# exports DBUS_SESSION_BUS_ADDRESS.
source "$(dirname "${BASH_SOURCE[0]}")/dbus_bus.sh"
a11y_launcher=/usr/libexec/at-spi-bus-launcher
a11y_registry=/usr/libexec/at-spi2-registryd
# pyatspi is Debian's: its Python, not one that comes first on the path.
a11y_python=/usr/bin/python3
[[ -x $a11y_python ]] || a11y_python=python3

# Why the buses cannot be had here, or nothing.
a11y_missing() {
  local tool
  for tool in dbus-daemon dbus-send "$a11y_python"; do
    command -v "$tool" >/dev/null || { echo "needs $tool"; return; }
  done
  [[ -x $a11y_launcher && -x $a11y_registry ]] || { echo "needs the AT-SPI bus and registry (package at-spi2-core)"; return; }
  "$a11y_python" -c 'import pyatspi' 2>/dev/null || echo "needs pyatspi (package python3-pyatspi)"
}

start_a11y_buses() {
  start_bus --session --address="unix:path=$work/bus" || skip "no private session bus: $(cat "$work/bus.log")"
  export DBUS_SESSION_BUS_ADDRESS="$bus_address"

  "$a11y_launcher" --launch-immediately >"$work/launcher.log" 2>&1 &
  launcher_pid=$!
  local a11y_bus="" registered=""
  for _ in $(seq 100); do
    a11y_bus="$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
      2>/dev/null | tr -d ' ')"
    [[ -n $a11y_bus ]] && break
    kill -0 "$launcher_pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ -n $a11y_bus ]] || skip "the accessibility bus did not start: $(cat "$work/launcher.log")"
  "$a11y_registry" >"$work/registry.log" 2>&1 &
  registry_pid=$!
  for _ in $(seq 100); do
    DBUS_SESSION_BUS_ADDRESS="$a11y_bus" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
      /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.a11y.atspi.Registry 2>/dev/null |
      grep -q 'boolean true' && registered=1 && break
    sleep 0.1
  done
  [[ -n $registered ]] || skip "the AT-SPI registry did not start: $(cat "$work/registry.log")"
}
