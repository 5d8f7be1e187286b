#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The udisks2 test environment does what the journeys of a normal user rely
# on: any user reads a volume's details without authorization, the allowed
# user opens it (exclusively too, which keeps root's exclusive open out), the
# denied user is refused at once.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"

need_root "for the udisks2 environment (loop devices, daemons, test users)"
/usr/bin/python3 -c 'import dbus' 2>/dev/null || skip "python3-dbus is not installed"

make_work /tmp/vorkan-udisks-check.XXXXXX
loop_volume 16M ext4 vorkan-check
loop="$loop_device"
start_udisks_env "$loop"
helper="$(udisks_env install "$here/udisks_open.py")"
as() { udisks_env run-as "$@"; }

# The details, read by the user who may not open the device.
block="$(as denied "$helper" resolve "$loop")"
[[ $block == "/org/freedesktop/UDisks2/block_devices/${loop##*/}" ]] || fail "$loop resolves to '$block'"
for expected in "Size uint64 $(blockdev --getsize64 "$loop")" "IdLabel string \"vorkan-check\"" \
  "IdType string \"ext4\"" "IdUUID string \"$(blkid -s UUID -o value "$loop")\""; do
  read -r property _ <<<"$expected"
  got="$(as denied dbus-send --system --print-reply --dest=org.freedesktop.UDisks2 "$block" \
    org.freedesktop.DBus.Properties.Get string:org.freedesktop.UDisks2.Block "string:$property" |
    sed -En 's/^ *variant +([a-z0-9]+) +/\1 /p')"
  [[ "$property $got" == "$expected" ]] || fail "$property reads '$got', not '${expected#* }'"
done

# The opens: who, flags (O_CLOEXEC, O_EXCL), what comes back.
O_CLOEXEC=$((0x80000))
O_EXCL=$((0x80))
sum="opened $(head -c 65536 "$loop" | sha256sum | cut -d' ' -f1)"
for case in "allowed $O_CLOEXEC $sum" "allowed $((O_CLOEXEC | O_EXCL)) $sum" \
  "denied $O_CLOEXEC refused org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain"; do
  read -r user flags expected <<<"$case"
  got="$(as "$user" "$helper" open "$loop" r "$flags" </dev/null)" || true
  [[ $got == "$expected" ]] || fail "$user with flags $flags: '$got', not '$expected'"
done

# An exclusive open by root while the allowed user holds one, and after.
root_excl() { /usr/bin/python3 -c 'import os, sys; os.open(sys.argv[1], os.O_RDONLY | os.O_EXCL)' "$loop" 2>&1 | tail -n 1; }
mkfifo "$work/hold"
as allowed "$helper" open "$loop" r $((O_CLOEXEC | O_EXCL)) <"$work/hold" >"$work/held" &
holder=$!
on_exit stop_process "$holder"
exec 8>"$work/hold"
let_go() { exec 8>&-; }
on_exit let_go
holding() { grep -q . "$work/held" || ! running "$holder"; }
wait_until 10 holding || true
[[ $(cat "$work/held") == "$sum" ]] || fail "the exclusive open was not held: '$(cat "$work/held")'"
[[ $(root_excl) == *"Device or resource busy"* ]] || fail "root opened $loop exclusively while the user held it"
let_go
wait "$holder"
[[ -z $(root_excl) ]] || fail "root could not open $loop exclusively after the user let go: $(root_excl)"

# Stopping leaves nothing of the environment behind.
created="$(cat "$udisks_state/created")"
udisks_env stop
while read -r kind a b _; do
  case "$kind" in
    pid) [[ $(awk '{print $3}' "/proc/$b/stat" 2>/dev/null) == @(|Z) ]] || fail "$a ($b) still runs" ;;
    user) ! getent passwd "$a" >/dev/null || fail "the user $a is left" ;;
    file | dir) [[ ! -e $a ]] || fail "$a is left" ;;
  esac
done <<<"$created"
echo "udisks2 environment: details, opens, exclusive hold, refusal and cleanup as expected"
