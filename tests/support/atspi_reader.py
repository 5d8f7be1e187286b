# SPDX-License-Identifier: GPL-3.0-or-later
"""A program's windows read from outside over AT-SPI, as a screen reader
meets them; shared by the accessibility check and the responsiveness bench.
use_app(NAME) first: the functions look in that application only."""
import sys
import time

import pyatspi
from gi.repository import GLib

app_name = None


def use_app(name):
    global app_name
    app_name = name


def pump(seconds=0.0, step=0.01):
    """Hands this client's queued events to their listeners, for at least
    SECONDS."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(step)


def wait_for(find, what, seconds=30, step=0.05):
    """FIND's first true answer, asked every STEP seconds; ends the script
    when none comes within SECONDS."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # an object that went away while it was read
            found = None
        if found:
            return found
        pump(step, min(step, 0.01))
    sys.exit("FAIL waiting for %s (%d s)" % (what, seconds))


def the_app():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((a for a in desktop if a is not None and a.name == app_name), None)


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def window(role, name=None, containing=None):
    """The application's first showing top-level window of ROLE, named NAME,
    or with CONTAINING in its description or name."""
    app = the_app()
    if app is None:
        return None
    return next((w for w in app if w is not None and w.getRole() == role and showing(w) and
                 (name is None or w.name == name) and
                 (containing is None or containing in (w.description or "") + (w.name or ""))), None)


def find(root, role, name=None):
    return pyatspi.findDescendant(root, lambda o: o is not None and o.getRole() == role and
                                  (name is None or o.name == name))


def action_names(obj):
    action = obj.queryAction()
    return [action.getName(i) for i in range(action.nActions)]


def press(obj):
    obj.queryAction().doAction(action_names(obj).index("Press"))
