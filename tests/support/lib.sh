# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by every test and bench script (bash): how a script skips and
# fails, a stack of clean-up steps run when it ends, and what the scripts set
# up around the program: loop volumes, an X server with or without a window
# manager, private D-Bus buses, the accessibility bus and the private udisks2.
#
#   skip REASON...            ends the script as skipped: status 77, which
#                             ctest reports as skipped (SKIP_RETURN_CODE)
#   fail MESSAGE...           ends the script as failed, on stderr, after the
#                             reports on_failure added
#   on_failure CMD...         a report fail prints (the screen, a log)
#   show_log FILE NAME        a log's lines, each after "NAME: " (when any)
#   fail_later MESSAGE...     counts a failure and goes on; end_checks ends
#                             the script as failed when any was counted
#   on_exit CMD...            pushes a clean-up step; the steps run last
#                             first when the script ends, however it ends
#   need_root WHY             skips unless root
#   need_tools TOOL...        skips unless every tool is on the path
#   need_loop_devices         skips without /dev/loop-control
#   make_work [TEMPLATE]      a scratch folder, $work, removed on exit
#   private_runtime           exports XDG_RUNTIME_DIR, a folder under $work
#   wait_until SECONDS CMD... runs CMD every 0.1 s until it succeeds; false
#                             when it did not within SECONDS
#   running PID               true while PID runs (not a zombie)
#   stop_process PID          TERM, KILL after 3 s; reaped
#   start_process LOG CMD...  CMD in the background, its output to LOG;
#                             $started_pid, stopped on exit
#   start_program LOG CMD...  the same as the program under test:
#                             $program_pid, program_alive, program_ends_well
#   make_volume FILE SIZE FS LABEL   a file of SIZE with an empty FS on it
#   attach_loop FILE [FIRST]  a loop device of FILE, $loop_device (tried
#                             from /dev/loopFIRST up first); detached on exit
#   mount_volume DEV DIR      mounted on DIR; unmounted on exit
#   loop_volume SIZE FS LABEL make_volume $work/volume.img and attach_loop
#   start_xvfb                Xvfb 800x600, exports DISPLAY; stopped on exit
#   start_window_manager [ARGS...]  openbox on it, given ARGS
#   print_windows             the windows on the screen, for a failure
#   start_bus ARGS...         a dbus-daemon: $bus_pid, $bus_address
#   start_session_bus         one of the script's own, exported
#   start_system_bus [SERVICES]  one with a system bus's type, everyone
#                             allowed, exported; SERVICES: a folder of
#                             service files it may start
#   need_a11y, start_a11y_buses  the session and accessibility buses with
#                             the AT-SPI registry; $a11y_python reads them
#   start_udisks_env DEV...   the private udisks2 (udisks_env.sh) for the
#                             loop devices; its env sourced; stopped on exit
#
# Requires bash 4.4 or later; works under set -e, -u and pipefail.

[[ -n ${vorkan_lib_loaded:-} ]] && return 0
vorkan_lib_loaded=1
support_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# --- ending -------------------------------------------------------------------

skip() {
  echo "SKIP: $*"
  exit 77
}

failure_reports=()
on_failure() { failure_reports+=("$(printf '%q ' "$@")"); }

# Inside $(...) it ends only that subshell: callers add "|| exit 1".
fail() {
  exec >&2
  echo "FAIL: $*"
  local report
  for report in "${failure_reports[@]}"; do eval "$report" || true; done
  exit 1
}

show_log() {
  [[ -s $1 ]] || return 0
  sed "s/^/  $2: /" "$1"
}

failures=0
fail_later() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
end_checks() {
  ((failures == 0)) && return 0
  echo "$failures check(s) failed"
  exit 1
}

# --- the clean-up stack -------------------------------------------------------

exit_steps=()
# The shell that sourced this; subshells leave the steps to it.
lib_shell=$BASHPID
on_exit() { exit_steps+=("$(printf '%q ' "$@")"); }

run_exit_steps() {
  local status=$? i
  [[ $BASHPID == "$lib_shell" ]] || return "$status"
  set +e
  for ((i = ${#exit_steps[@]} - 1; i >= 0; i--)); do eval "${exit_steps[i]}"; done
  exit_steps=()
  exit "$status"
}
trap run_exit_steps EXIT
trap 'exit 1' INT TERM HUP

# --- what the machine must have ---------------------------------------------------

need_root() { [[ $(id -u) -eq 0 ]] || skip "needs root $*"; }

need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "needs $tool (scripts/setup.sh installs it)"
  done
}

need_loop_devices() { [[ -e /dev/loop-control ]] || skip "no loop devices (/dev/loop-control missing)"; }

# --- folders and processes ----------------------------------------------------------

make_work() {
  work="$(mktemp -d "${1:-${TMPDIR:-/tmp}/vorkan-test.XXXXXX}")" || fail "cannot make a scratch folder"
  on_exit rm -rf "$work"
}

private_runtime() {
  mkdir -p -m 700 "$work/runtime" || fail "cannot make $work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
}

wait_until() {
  local seconds="$1" _
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

running() {
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
  stat="${stat##*) }"
  [[ ${stat:0:1} != Z ]]
}
not_running() { ! running "$1"; }

stop_process() {
  local pid="$1"
  [[ -n $pid ]] || return 0
  if running "$pid"; then
    kill "$pid" 2>/dev/null
    wait_until 3 not_running "$pid" || kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

start_process() {
  local log="$1"
  shift
  "$@" >"$log" 2>&1 &
  started_pid=$!
  on_exit stop_process "$started_pid"
}

program_pid=""
start_program() {
  start_process "$@"
  program_pid=$started_pid
}
program_alive() { [[ -n $program_pid ]] && running "$program_pid"; }
program_gone() { ! program_alive; }

# Waits up to SECONDS for the program to end (after WHAT); fails unless it
# ends with status 0.
program_ends_well() {
  local seconds="$1" what="$2" status=0
  wait_until "$seconds" program_gone || fail "the program still runs $seconds s after $what"
  wait "$program_pid" || status=$?
  program_pid=""
  ((status == 0)) || fail "the program exited with status $status after $what"
}

# --- loop volumes -------------------------------------------------------------------

make_volume() {
  local file="$1" size="$2" fs="$3" label="$4"
  truncate -s "$size" "$file" || fail "cannot make $file"
  case "$fs" in
    vfat) mkfs.vfat -n "$label" "$file" >/dev/null ;;
    ext*) "mkfs.$fs" -q -F -L "$label" "$file" ;;
    *) "mkfs.$fs" -L "$label" "$file" >/dev/null ;;
  esac || fail "mkfs.$fs failed on $file"
}

attach_loop() {
  local file="$1" first="${2:-}" n out
  loop_device=""
  if [[ -n $first ]]; then
    for ((n = first; n < first + 64; n++)); do
      [[ -n "$(cat "/sys/block/loop$n/loop/backing_file" 2>/dev/null)" ]] && continue
      losetup "/dev/loop$n" "$file" 2>/dev/null && loop_device="/dev/loop$n" && break
    done
  fi
  if [[ -z $loop_device ]]; then
    out="$(losetup -f --show "$file" 2>&1)" || skip "cannot attach a loop device: $out"
    loop_device="$out"
  fi
  on_exit losetup -d "$loop_device"
}

mount_volume() {
  mkdir -p "$2" || fail "cannot make $2"
  mount "$1" "$2" || fail "cannot mount $1 on $2"
  on_exit umount "$2"
}

loop_volume() {
  make_volume "$work/volume.img" "$@"
  attach_loop "$work/volume.img"
}

# --- X ---------------------------------------------------------------------------------

# Xvfb on a display number it picks itself (written to a descriptor).
start_xvfb() {
  need_tools Xvfb
  start_process "$work/xvfb.log" Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display"
  xvfb_pid=$started_pid
  wait_until 10 xvfb_ready || true
  local display
  display="$(head -n 1 "$work/display" 2>/dev/null)"
  [[ $display =~ ^[0-9]+$ ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$display"
  on_failure xvfb_state
}
# For a failure: whether the server still runs, and what it said.
xvfb_state() {
  running "$xvfb_pid" && echo "Xvfb runs on $DISPLAY" || echo "Xvfb ($DISPLAY) has ended"
  show_log "$work/xvfb.log" Xvfb
}
xvfb_ready() { grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null || ! running "$xvfb_pid"; }

start_window_manager() {
  need_tools openbox xprop
  start_process "$work/openbox.log" openbox "$@"
  wait_until 10 window_manager_ready || fail "openbox did not start: $(cat "$work/openbox.log")"
}
window_manager_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

print_windows() {
  local w
  echo "windows on screen:"
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
  done
}

# --- D-Bus --------------------------------------------------------------------------

# A dbus-daemon with the arguments given, up once it tells its address;
# false, with what it said in $work/bus.log, when it does not come up.
start_bus() {
  need_tools dbus-daemon
  rm -f "$work/address"
  start_process "$work/bus.log" dbus-daemon "$@" --nofork --nopidfile --print-address=3 3>"$work/address"
  bus_pid=$started_pid
  wait_until 10 bus_ready || true
  [[ -s $work/address ]] || return 1
  bus_address="$(head -n 1 "$work/address")"
}
bus_ready() { [[ -s $work/address ]] || ! running "$bus_pid"; }

start_session_bus() {
  start_bus --session --address="unix:path=$work/session-bus" ||
    fail "dbus-daemon did not start: $(cat "$work/bus.log")"
  export DBUS_SESSION_BUS_ADDRESS="$bus_address"
}

start_system_bus() {
  local services="${1:-}"
  cat >"$work/system-bus.conf" <<EOT
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system-bus</listen>
  ${services:+<servicedir>$services</servicedir>}
  <policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/></policy>
</busconfig>
EOT
  start_bus --config-file="$work/system-bus.conf" || fail "dbus-daemon did not start: $(cat "$work/bus.log")"
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus"
}

# --- AT-SPI ----------------------------------------------------------------------------

a11y_launcher=/usr/libexec/at-spi-bus-launcher
a11y_registry=/usr/libexec/at-spi2-registryd
# pyatspi is Debian's: its Python, not one that comes first on the path.
a11y_python=/usr/bin/python3
[[ -x $a11y_python ]] || a11y_python=python3

need_a11y() {
  need_tools dbus-daemon dbus-send "$a11y_python"
  [[ -x $a11y_launcher && -x $a11y_registry ]] || skip "needs the AT-SPI bus and registry (package at-spi2-core)"
  "$a11y_python" -c 'import pyatspi' 2>/dev/null || skip "needs pyatspi (package python3-pyatspi)"
}

# A session bus of the script's own with the accessibility bus and the AT-SPI
# registry on it; skips when they do not come up.
start_a11y_buses() {
  start_bus --session --address="unix:path=$work/session-bus" ||
    skip "no private session bus: $(cat "$work/bus.log")"
  export DBUS_SESSION_BUS_ADDRESS="$bus_address"
  start_process "$work/launcher.log" "$a11y_launcher" --launch-immediately
  a11y_launcher_pid=$started_pid
  a11y_bus=""
  wait_until 10 a11y_bus_known || true
  [[ -n $a11y_bus ]] || skip "the accessibility bus did not start: $(cat "$work/launcher.log")"
  start_process "$work/registry.log" "$a11y_registry"
  wait_until 10 a11y_registry_up || skip "the AT-SPI registry did not start: $(cat "$work/registry.log")"
}
a11y_bus_known() {
  a11y_bus="$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    2>/dev/null | tr -d ' ')"
  [[ -n $a11y_bus ]] || ! running "$a11y_launcher_pid"
}
a11y_registry_up() {
  DBUS_SESSION_BUS_ADDRESS="$a11y_bus" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.a11y.atspi.Registry 2>/dev/null |
    grep -q 'boolean true'
}

# --- udisks2 --------------------------------------------------------------------------

# Its state goes in a folder every user can traverse, as the test users read
# it; udisks_env.sh exits 77 where it cannot run.
start_udisks_env() {
  need_root "for the udisks2 environment (daemons, test users)"
  udisks_state="$work/udisks"
  chmod 0755 "$work"
  local status=0
  "$support_dir/udisks_env.sh" start "$udisks_state" "$@" || status=$?
  on_exit "$support_dir/udisks_env.sh" stop "$udisks_state"
  ((status != 77)) || skip "udisks2 cannot run here (see above)"
  ((status == 0)) || fail "the udisks2 environment did not start"
  # shellcheck disable=SC1091
  source "$udisks_state/env"
}
udisks_env() { "$support_dir/udisks_env.sh" "$1" "$udisks_state" "${@:2}"; }
