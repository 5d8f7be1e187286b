#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Asks udisks2 on the system bus, as the user it runs as, for a block device.
#   udisks_open.py resolve DEVICE         prints the block object of DEVICE
#   udisks_open.py open DEVICE MODE FLAGS opens DEVICE through OpenDevice,
#       prints "opened SHA256" (of its first 64 KiB, read through the handed
#       descriptor) and holds the descriptor until its input ends
# A refusal prints "refused ERROR_NAME" and exits 1. Nothing here may prompt:
# no agent runs, and resolving asks for no authorization at all.
import hashlib
import sys

import dbus

UDISKS = "org.freedesktop.UDisks2"


def resolve(bus, device):
    manager = bus.get_object(UDISKS, "/org/freedesktop/UDisks2/Manager")
    found = manager.ResolveDevice({"path": device}, {"auth.no_user_interaction": True},
                                  dbus_interface=UDISKS + ".Manager")
    if len(found) != 1:
        sys.exit("%s resolves to %d block objects" % (device, len(found)))
    return found[0]


def main():
    bus = dbus.SystemBus()
    try:
        block = resolve(bus, sys.argv[2])
        if sys.argv[1] == "resolve":
            print(block)
            return
        mode, flags = sys.argv[3], int(sys.argv[4], 0)
        handle = bus.get_object(UDISKS, block).OpenDevice(mode, {"flags": dbus.Int32(flags)},
                                                         dbus_interface=UDISKS + ".Block", timeout=120)
    except dbus.DBusException as e:
        print("refused", e.get_dbus_name(), flush=True)
        sys.exit(1)
    with open(handle.take(), "rb") as device:
        print("opened", hashlib.sha256(device.read(1 << 16)).hexdigest(), flush=True)
        sys.stdin.read()


main()
