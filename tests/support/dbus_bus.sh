# Sourced by the scripts that give the program a D-Bus of their own.

# Starts a dbus-daemon with the arguments given ("--session
# --address=unix:path=..." or "--config-file=..."), waits until it tells its
# address, and sets bus_pid (for the script to stop) and bus_address; false,
# with what the daemon said in $work/bus.log, when it does not come up.
# Needs $work for its files.
start_bus() {
  dbus-daemon "$@" --nofork --nopidfile --print-address=3 3>"$work/address" 2>"$work/bus.log" &
  bus_pid=$!
  for _ in $(seq 100); do
    [[ -s $work/address ]] && break
    kill -0 "$bus_pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ -s $work/address ]] || return 1
  bus_address="$(head -n 1 "$work/address")"
}
