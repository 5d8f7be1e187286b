# Sourced by the install checks: starts a program on Qt's offscreen screen,
# with runtime and config folders of its own under a scratch folder. Start-up
# only lists the drives (read only) and shows the main window; it then waits
# for the user, so it must still run after a while. The caller's clean-up
# kills $started_pid should the check be cut short.
started_pid=""

# Usage: program_starts PROGRAM SCRATCH_DIR; prints why when the program ended.
program_starts() {
  local program="$1" dir="$2" status
  mkdir -m 700 "$dir/runtime" "$dir/config"
  (cd "$dir" && exec env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
    XDG_CONFIG_HOME="$dir/config" "$program" >"$dir/program.log" 2>&1) &
  started_pid=$!
  sleep 3
  if kill -0 "$started_pid" 2>/dev/null; then
    kill "$started_pid"
    wait "$started_pid" 2>/dev/null
    started_pid=""
    return 0
  fi
  wait "$started_pid"
  status=$?
  started_pid=""
  echo "$program ended at start-up with status $status: $(cat "$dir/program.log")"
  return 1
}

# Kills a program program_starts left running.
stop_started_program() {
  if [[ -n $started_pid ]] && kill -0 "$started_pid" 2>/dev/null; then
    kill -9 "$started_pid" 2>/dev/null
    wait "$started_pid" 2>/dev/null
  fi
  started_pid=""
}
