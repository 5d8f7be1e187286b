# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the install checks, after tests/support/lib.sh: starts a program
# on Qt's offscreen screen, with runtime and config folders of its own under a
# scratch folder. Start-up only lists the drives (read only) and shows the
# main window; it then waits for the user, so it must still run after a
# while. The clean-up stack stops it should the check be cut short.

# Usage: program_starts PROGRAM SCRATCH_DIR; prints why when the program ended.
program_starts() {
  local program="$1" dir="$2" status=0
  mkdir -m 700 "$dir/runtime" "$dir/config"
  start_program "$dir/program.log" env -C "$dir" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/runtime" \
    XDG_CONFIG_HOME="$dir/config" "$program"
  sleep 3
  if program_alive; then
    stop_process "$program_pid"
    program_pid=""
    return 0
  fi
  wait "$program_pid" || status=$?
  program_pid=""
  echo "$program ended at start-up with status $status: $(cat "$dir/program.log")"
  return 1
}
