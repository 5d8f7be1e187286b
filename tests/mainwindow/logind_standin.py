#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for logind's Inhibit on a test's own system bus. Each call is
# answered with the write end of a pipe, as logind answers with one end of a
# FIFO, and kept with the read end, which sees the end of the file once every
# copy of the handed descriptor is closed. io.github.vorkan.Test.Calls tells
# every call so far: its four arguments, whether it let the bus start a
# service, the pipe's inode and whether its descriptor is closed by now.
# Prints "ready" once it owns the name; runs until it is killed.
import os
import select

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.login1"


class Manager(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/login1")
        self.calls = []

    @dbus.service.method(NAME + ".Manager", in_signature="ssss", out_signature="h",
                         message_keyword="message")
    def Inhibit(self, what, who, why, mode, message):
        read_end, write_end = os.pipe()
        handed = dbus.types.UnixFd(write_end)  # a copy of its own
        os.close(write_end)
        self.calls.append((what, who, why, mode, bool(message.get_auto_start()),
                           os.fstat(read_end).st_ino, read_end))
        return handed

    @dbus.service.method("io.github.vorkan.Test", out_signature="a(ssssbtb)")
    def Calls(self):
        answer = []
        for what, who, why, mode, auto_start, inode, read_end in self.calls:
            poll = select.poll()
            poll.register(read_end, select.POLLIN)
            closed = any(events & select.POLLHUP for _, events in poll.poll(0))
            answer.append((what, who, why, mode, auto_start, dbus.UInt64(inode), closed))
        return dbus.Array(answer, signature="(ssssbtb)")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()
    manager = Manager(bus)
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del manager, name


main()
