#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private udisks2 for tests, run as root without a desktop: a system bus of
# its own, polkitd and udisksd on it, and two test users, one allowed by a
# polkit rule to open block devices through udisks2 and one refused (no agent
# runs, so the refusal comes at once).
#
#   udisks_env.sh start STATE_DIR LOOPDEV...   start it; writes STATE_DIR/env
#   udisks_env.sh stop STATE_DIR               undo everything start did
#   udisks_env.sh run-as STATE_DIR USER CMD... run CMD as a test user
#   udisks_env.sh install STATE_DIR FILE...    copy executables where the test
#                                              users can run them; prints paths
#
# USER is "allowed", "denied" or a user name. STATE_DIR must be a path of
# plain characters in a folder every user can traverse (e.g. made by
# mktemp -d /tmp/...); start makes it world-readable. STATE_DIR/env holds
# KEY=value lines (no quoting needed), to source or to parse:
#   DBUS_SYSTEM_BUS_ADDRESS  the private bus
#   VORKAN_ALLOWED_USER, VORKAN_DENIED_USER    the test users
#   VORKAN_ALLOWED_HOME, VORKAN_DENIED_HOME    their homes (writable by them)
#   VORKAN_ALLOWED_IMAGES, VORKAN_DENIED_IMAGES  a folder for their images
#   VORKAN_UDISKS_BIN        where install puts executables
#
# Everything start creates is written down in STATE_DIR/created as it
# happens, so stop undoes a failed start too and never touches what was
# there before; daemons are stopped by their PID only. start exits 77 with a
# reason where the environment cannot run here (not root, a program missing,
# a daemon that does not come up).
set -euo pipefail

udisksd=/usr/libexec/udisks2/udisksd
polkitd=/usr/lib/polkit-1/polkitd
udevd=/lib/systemd/systemd-udevd
bus_config=/usr/share/dbus-1/system.conf
rules_dir=/etc/polkit-1/rules.d
# systemd-udevd is machine-wide: environments starting at once take turns.
udev_lock=/run/vorkan-udisks-env-udev.lock

die() {
  echo "udisks_env: $*" >&2
  exit 1
}

# Where this environment cannot run at all: the caller skips.
cannot_run() {
  echo "udisks_env: cannot run here: $*" >&2
  exit 77
}

# A bounded wait for a condition (a command); 10 s in 0.1 s steps.
wait_for() {
  local _
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# The start time of a process, which tells it from a later one with the same
# PID; empty when it is gone or a zombie.
start_time() {
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 0
  stat="${stat##*) }"
  # shellcheck disable=SC2086
  set -- $stat
  [[ $1 != Z ]] && echo "${20}"
  return 0
}

record() { echo "$*" >>"$state/created"; }

# A daemon in the background, its output in STATE_DIR, its PID in launched
# and recorded. It keeps no descriptor of the caller beyond its standard
# ones (and KEEP_FD): a pipe held open would stall a caller reading to the
# end, a disk held open would spoil its exclusive opens; the lock stays here.
launch() {
  local name="$1"
  shift
  (
    for fd in /proc/self/fd/*; do
      fd="${fd##*/}"
      ((fd > 2)) && [[ $fd != "${KEEP_FD:-}" ]] && eval "exec $fd>&-"
    done
    exec "$@"
  ) </dev/null >"$state/$name.log" 2>&1 &
  launched=$!
  record pid "$name" "$launched" "$(start_time "$launched")"
}

alive() { [[ -n $(start_time "$1") ]]; }

has_name() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# Waits until the daemon of PID owns NAME on the bus; skips with its log when
# it dies or never does.
await_name() {
  local name="$1" pid="$2" log="$3"
  if ! wait_for eval "has_name $name || ! alive $pid" || ! has_name "$name"; then
    cannot_run "$name did not appear on the bus: $(tail -n 5 "$state/$log.log")"
  fi
}

block_size() {
  dbus-send --system --print-reply --dest=org.freedesktop.UDisks2 "$1" org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.UDisks2.Block string:Size 2>/dev/null | sed -n 's/.*uint64 //p'
}

# The user a run-as or env line names: "allowed", "denied" or a name.
user_of() {
  case "$1" in
    allowed) echo "$VORKAN_ALLOWED_USER" ;;
    denied) echo "$VORKAN_DENIED_USER" ;;
    *) echo "$1" ;;
  esac
}

load_env() {
  [[ -f $state/env ]] || die "no environment runs in $state"
  # shellcheck disable=SC1091
  . "$state/env"
  export DBUS_SYSTEM_BUS_ADDRESS
}

# COMMAND... as USER with the environment's bus, from the user's home, with a
# clean environment that keeps only what the display, the locale and the
# tests need.
run_as() {
  local user home
  user="$(user_of "$1")"
  shift
  home="$state/home/$user"
  [[ -d $home ]] || die "$user is not a user of the environment in $state"
  local -a keep=()
  local name
  for name in $(compgen -e); do
    case "$name" in
      QT_* | VORKAN_* | GTEST_* | ASAN_* | UBSAN_* | LSAN_* | DISPLAY | LANG | LANGUAGE | LC_* | TZ | TERM)
        keep+=("$name=${!name}")
        ;;
    esac
  done
  cd "$home"
  exec setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i "${keep[@]}" HOME="$home" USER="$user" LOGNAME="$user" XDG_RUNTIME_DIR="$home/run" \
    PATH=/usr/local/bin:/usr/bin:/bin DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" "$@"
}

make_user() {
  local user="$1" home="$state/home/$1"
  useradd --system --user-group --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user" ||
    die "could not create the user $user"
  record user "$user"
  mkdir -p "$home/run" "$home/images"
  chown -R "$user:$user" "$home"
  chmod 0700 "$home" "$home/run"
}

# A start that fails leaves nothing behind.
undo_failed_start() {
  local rc=$?
  ((rc == 0)) || stop >/dev/null 2>&1 || true
  exit "$rc"
}

start() {
  [[ $(id -u) -eq 0 ]] || cannot_run "the environment needs root"
  local prog
  for prog in "$udisksd" "$polkitd" "$udevd" "$(command -v dbus-daemon)" "$(command -v dbus-send)" \
    "$(command -v udevadm)" "$(command -v setpriv)" "$(command -v useradd)" "$(command -v flock)"; do
    [[ -n $prog && -x $prog ]] || cannot_run "a program is missing (udisks2, polkitd, udev, dbus-daemon, util-linux)"
  done
  [[ -f $bus_config && -d $rules_dir ]] || cannot_run "$bus_config or $rules_dir is missing"
  (($# > 0)) || die "usage: udisks_env.sh start STATE_DIR LOOPDEV..."
  local dev
  for dev in "$@"; do [[ -b $dev ]] || die "$dev is not a block device"; done
  [[ -e $state/created ]] && die "an environment already runs in $state (stop it first)"

  mkdir -p "$state"
  chmod 0755 "$state"
  : >"$state/created"
  trap undo_failed_start EXIT

  # Users of this environment only, so environments side by side never share
  # (and never remove) each other's.
  local suffix allowed denied
  for _ in $(seq 20); do
    suffix="$(od -An -N2 -tx2 /dev/urandom | tr -d ' ')"
    getent passwd "vorkan-allowed-$suffix" >/dev/null || getent passwd "vorkan-denied-$suffix" >/dev/null || break
  done
  allowed="vorkan-allowed-$suffix"
  denied="vorkan-denied-$suffix"
  make_user "$allowed"
  make_user "$denied"
  setpriv --reuid="$denied" --regid="$denied" --init-groups test -x "$state/home" ||
    die "$state is not reachable by other users: use a folder under /tmp"

  # Opening a block device through udisks2 is allowed for the allowed user
  # alone; the denied user falls to the defaults (admin authentication).
  local rule="$rules_dir/90-vorkan-test-$suffix.rules"
  cat >"$rule" <<EOF
// A test user of Vorkan's udisks2 test environment ($state).
polkit.addRule(function(action, subject) {
  if ((action.id == "org.freedesktop.udisks2.open-device" ||
       action.id == "org.freedesktop.udisks2.open-device-system") && subject.user == "$allowed") {
    return polkit.Result.YES;
  }
});
EOF
  chmod 0644 "$rule"
  record file "$rule"

  # The system bus configuration, on a socket of its own, run as root (the
  # switch to messagebus is not needed here), without service activation
  # (the daemons are started below) and without syslog.
  sed -e '/<user>/d' -e '/<fork\/>/d' -e '/<syslog\/>/d' -e '/<standard_system_servicedirs\/>/d' \
    -e '/<servicehelper>/d' \
    -e "s|<pidfile>.*</pidfile>|<pidfile>$state/dbus.pid</pidfile>|" \
    -e "s|<listen>.*</listen>|<listen>unix:path=$state/bus</listen>|" \
    -e 's|<includedir>system.d</includedir>|<includedir>/usr/share/dbus-1/system.d</includedir>|' \
    "$bus_config" >"$state/system.conf"
  # The address is printed once the bus listens.
  : >"$state/address"
  KEEP_FD=3 launch dbus dbus-daemon --config-file="$state/system.conf" --nofork --print-address=3 3>"$state/address"
  if ! wait_for grep -q . "$state/address" || ! alive "$launched"; then
    cannot_run "dbus-daemon did not start: $(tail -n 5 "$state/dbus.log")"
  fi
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$state/bus"

  # polkitd changes to its own user by itself; without --no-debug it keeps
  # its output (the rules it loaded, its decisions' errors) for the log.
  launch polkitd "$polkitd"
  await_name org.freedesktop.PolicyKit1 "$launched" polkitd

  local dir
  for dir in /run/udisks2 /var/lib/udisks2; do [[ -e $dir ]] || record dir "$dir"; done
  launch udisksd "$udisksd"
  await_name org.freedesktop.UDisks2 "$launched" udisksd

  # udisksd ignores block devices udev has not initialised: udevd runs just
  # long enough to handle an "add" of each device (unless the machine's own
  # udevd runs, which then does it).
  exec 9>"$udev_lock"
  flock 9
  if udevadm control --ping >/dev/null 2>&1; then
    udevadm trigger --action=add --settle "$@"
  else
    for dir in /run/udev /dev/disk; do [[ -e $dir ]] || record dir "$dir"; done
    launch udevd "$udevd"
    wait_for eval 'udevadm control --ping >/dev/null 2>&1' ||
      cannot_run "systemd-udevd did not start: $(tail -n 5 "$state/udevd.log")"
    udevadm trigger --action=add --settle "$@" || cannot_run "udevadm trigger failed"
    end_process "$launched" "$(start_time "$launched")"
  fi
  flock -u 9

  for dev in "$@"; do
    local path="/org/freedesktop/UDisks2/block_devices/${dev##*/}" size
    size="$(blockdev --getsize64 "$dev")"
    wait_for eval '[[ $(block_size "$path") == "$size" ]]' ||
      die "udisksd shows no $path of $size bytes: $(tail -n 5 "$state/udisksd.log")"
  done

  mkdir -p "$state/bin"
  chmod 0755 "$state/bin"
  cat >"$state/env" <<EOF
DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SYSTEM_BUS_ADDRESS
VORKAN_ALLOWED_USER=$allowed
VORKAN_DENIED_USER=$denied
VORKAN_ALLOWED_HOME=$state/home/$allowed
VORKAN_DENIED_HOME=$state/home/$denied
VORKAN_ALLOWED_IMAGES=$state/home/$allowed/images
VORKAN_DENIED_IMAGES=$state/home/$denied/images
VORKAN_UDISKS_BIN=$state/bin
EOF
  chmod 0644 "$state/env"
}

# Ends a daemon of this environment: TERM, then KILL after a bounded wait;
# only while its PID still names the process that was started.
end_process() {
  local pid="$1" started="$2"
  [[ $(start_time "$pid") == "$started" ]] || return 0
  kill "$pid" 2>/dev/null || return 0
  wait_for eval '[[ $(start_time "$pid") != "$started" ]]' && return 0
  kill -KILL "$pid" 2>/dev/null || true
  wait_for eval '[[ $(start_time "$pid") != "$started" ]]' || true
}

stop() {
  [[ -f $state/created ]] || return 0
  local -a lines=()
  mapfile -t lines <"$state/created"
  local i kind a b c
  # Daemons first, newest first; then what they left behind.
  for ((i = ${#lines[@]} - 1; i >= 0; i--)); do
    read -r kind a b c <<<"${lines[i]}"
    [[ $kind == pid ]] && end_process "$b" "$c"
  done
  exec 9>"$udev_lock"
  flock 9
  for ((i = ${#lines[@]} - 1; i >= 0; i--)); do
    read -r kind a b c <<<"${lines[i]}"
    case "$kind" in
      file) rm -f "$a" ;;
      dir) rm -rf "$a" ;;
      user)
        userdel "$a" 2>/dev/null || true
        if getent group "$a" >/dev/null; then groupdel "$a" 2>/dev/null || true; fi
        ;;
    esac
  done
  flock -u 9
  rm -rf "${state:?}/home" "${state:?}/bin" "$state/bus" "$state/env"
  rm -f "$state/created"
}

install_bins() {
  local file copy
  for file in "$@"; do
    copy="$VORKAN_UDISKS_BIN/${file##*/}"
    install -m 0755 "$file" "$copy"
    if (run_as allowed ldd "$copy" 2>&1) | grep -q 'not found'; then
      die "$copy needs a library the test users cannot read"
    fi
    echo "$copy"
  done
}

command="${1:-}"
(($# >= 2)) || die "usage: udisks_env.sh start|stop|run-as|install STATE_DIR ..."
state="$2"
shift 2
[[ $state =~ ^/[A-Za-z0-9_./-]+$ ]] || die "STATE_DIR must be an absolute path of plain characters: $state"
case "$command" in
  start) start "$@" ;;
  stop) stop ;;
  run-as)
    load_env
    (($# >= 2)) || die "usage: udisks_env.sh run-as STATE_DIR USER COMMAND..."
    run_as "$@"
    ;;
  install)
    load_env
    install_bins "$@"
    ;;
  *) die "unknown command $command" ;;
esac
