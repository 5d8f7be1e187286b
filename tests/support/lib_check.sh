#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the scripts rely on in lib.sh: the clean-up steps run last first
# however a script ends (normally, by fail, by skip, by a signal, under
# set -e), with its status kept; a subshell does not run them; fail prints
# its reports; a loop volume is attached, mounted and undone again.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
make_work

# Runs BODY in a script of its own that sources lib.sh and pushes two steps
# writing to $work/order; checks its status and the order.
ends() {
  local want_status="$1" body="$2" status=0
  rm -f "$work/order"
  bash -c "source '$here/lib.sh'; on_exit eval 'echo first >>$work/order'
    on_exit eval 'echo second >>$work/order'; $body" >"$work/out" 2>&1 || status=$?
  ((status == want_status)) || fail "'$body' ended with $status, not $want_status: $(cat "$work/out")"
  [[ "$(cat "$work/order" 2>/dev/null | tr '\n' ' ')" == "second first " ]] ||
    fail "'$body': the steps ran as '$(cat "$work/order" 2>/dev/null | tr '\n' ' ')', not last first"
}
ends 0 'true'
ends 3 'exit 3'
ends 1 'fail broken'
ends 77 'skip not here'
ends 1 'kill -TERM $$; sleep 5'
ends 1 'set -e; false; echo not reached'
ends 0 'x=$(exit 0); (exit 0); true'
grep -q '^SKIP: ' <<<"$(bash -c "source '$here/lib.sh'; skip here")" || fail "skip does not say SKIP:"
out="$(bash -c "source '$here/lib.sh'; on_failure echo the report; fail broken" 2>&1)"
[[ $out == $'FAIL: broken\nthe report' ]] || fail "fail printed '$out'"
echo "clean-up stack, fail and skip as expected"

[[ $(id -u) -eq 0 && -e /dev/loop-control ]] || skip "no root or no loop devices: the loop volume is not checked"
need_tools mkfs.ext4
cat >"$work/volume.sh" <<EOT
source '$here/lib.sh'
work='$work'
loop_volume 8M ext4 CHECK
mount_volume "\$loop_device" '$work/mnt'
echo "\$loop_device" >'$work/device'
mountpoint -q '$work/mnt' || fail "not mounted"
EOT
bash "$work/volume.sh" || fail "the loop volume script failed"
device="$(cat "$work/device")"
mountpoint -q "$work/mnt" && fail "$work/mnt is still mounted"
[[ -z "$(cat "/sys/block/${device#/dev/}/loop/backing_file" 2>/dev/null)" ]] || fail "$device is still attached"
echo "loop volume $device attached, mounted and undone"
