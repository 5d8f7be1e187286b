#!/usr/bin/env python3
"""Measures how the program's windows answer during a copy from a slow
volume, from outside, as a user and a screen reader meet them: the round
trip of an AT-SPI query (the Pause button's extents, which Qt answers on the
windows' thread), the time from a click on Pause (xdotool, real X input) until
the button reads "Далее" over AT-SPI, and at the end the time from Alt+F4 on
the progress window (the window manager's close) until the abort question
stands, then from its Yes until the copy's abort ending (the keep question).
Each click lands at a random point of a read. Prints one line per sample:
"query SECONDS", "pause SECONDS", "close SECONDS", "ending SECONDS".
The copy starts at a rate that lets the objects be found quickly (even with
a blocking read, which answers one call a block); once they are, CONTROL
(the slow device's faulty_fs control file) is given RULE ("read-rate=B/S").
Usage: responsiveness.py APP_NAME CLICKS CONTROL RULE"""
import random
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

app_name, clicks, control, rule = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
# A program that waits with a read answers late: the query waits for it
# rather than giving up after AT-SPI's 0.8 s.
Atspi.set_timeout(60000, 60000)


def pump():
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(find, what, seconds=60, step=0.002):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # an object that went away while it was read
            found = None
        if found:
            return found
        pump()
        time.sleep(step)
    sys.exit("no " + what + " within %d s" % seconds)


def the_app():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == app_name), None)


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def window(role, text=None):
    app = the_app()
    return app and next((w for w in app if w is not None and w.getRole() == role and showing(w) and
                         (text is None or text in (w.description or "") + (w.name or ""))), None)


def find(root, role, name):
    return pyatspi.findDescendant(root, lambda o: o is not None and o.getRole() == role and o.name == name)


def name_now(obj):
    # Asked of the program, not answered from the client's cache.
    obj.clear_cache()
    return obj.name


def centre(obj):
    box = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + box.width // 2, box.y + box.height // 2


def press(obj):
    action = obj.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


progress = wait_for(lambda: window(pyatspi.ROLE_DIALOG, "Копирование"), "progress window")
pause = wait_for(lambda: find(progress, pyatspi.ROLE_PUSH_BUTTON, "Пазуа"), "Pause button")
x, y = centre(pause)
xdotool("mousemove", str(x), str(y))
with open(control, "w") as out:
    out.write(rule + "\n")
time.sleep(3)  # the block read at the fast rate in: from now on the copy is in its slow reads
for _ in range(clicks):
    time.sleep(random.uniform(0.2, 2.0))
    start = time.monotonic()
    pause.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    print("query %.4f" % (time.monotonic() - start), flush=True)
    time.sleep(random.uniform(0.1, 1.0))
    # From the release, when a button acts.
    xdotool("click", "1")
    start = time.monotonic()
    wait_for(lambda: name_now(pause) == "Далее", "Далее after the click", step=0.001)
    print("pause %.4f" % (time.monotonic() - start), flush=True)
    # Paused, the copy pumps events all the time: the resume is no measure.
    time.sleep(0.2)
    xdotool("click", "1")
    wait_for(lambda: name_now(pause) == "Пазуа", "Пазуа after the click")

time.sleep(random.uniform(0.2, 1.0))
found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Копирование диска"],
                       capture_output=True, text=True, check=True)
xdotool("windowactivate", "--sync", found.stdout.split()[0])
start = time.monotonic()
xdotool("key", "alt+F4")
question = wait_for(lambda: window(pyatspi.ROLE_ALERT, "прервать"), "the abort question", step=0.001)
print("close %.4f" % (time.monotonic() - start), flush=True)
start = time.monotonic()
press(wait_for(lambda: find(question, pyatspi.ROLE_PUSH_BUTTON, "Yes"), "its Yes"))
keep = wait_for(lambda: window(pyatspi.ROLE_ALERT, "сохранить"), "the keep question", step=0.001)
print("ending %.4f" % (time.monotonic() - start), flush=True)
press(wait_for(lambda: find(keep, pyatspi.ROLE_PUSH_BUTTON, "No"), "its No"))
