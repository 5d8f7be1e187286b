# Sourced by the scripts that drive the program on a real X server.

# Starts Xvfb on a display number it picks itself (written to a descriptor),
# sets xvfb_pid and display and exports DISPLAY; calls the script's fail when
# the server does not come up. Needs $work for its files.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  display="$(head -n 1 "$work/display" 2>/dev/null)"
  if ! [[ $display =~ ^[0-9]+$ ]]; then
    display=""
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  fi
  export DISPLAY=":$display"
}

# The windows on the screen, for the report of a failure.
print_windows() {
  echo "windows on screen:"
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
  done
}
