#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
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
import os
import random
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from atspi_reader import find, press, use_app, wait_for as wait_within, window  # noqa: E402

app_name, clicks, control, rule = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
use_app(app_name)
# A program that waits with a read answers late: the query waits for it
# rather than giving up after AT-SPI's 0.8 s.
Atspi.set_timeout(60000, 60000)


def wait_for(test, what, seconds=60, step=0.002):
    return wait_within(test, what, seconds, step)


def name_now(obj):
    # Asked of the program, not answered from the client's cache.
    obj.clear_cache()
    return obj.name


def centre(obj):
    box = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + box.width // 2, box.y + box.height // 2


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


progress = wait_for(lambda: window(pyatspi.ROLE_DIALOG, containing="Копирование"), "progress window")
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
question = wait_for(lambda: window(pyatspi.ROLE_ALERT, containing="прервать"), "the abort question", step=0.001)
print("close %.4f" % (time.monotonic() - start), flush=True)
start = time.monotonic()
press(wait_for(lambda: find(question, pyatspi.ROLE_PUSH_BUTTON, "Yes"), "its Yes"))
keep = wait_for(lambda: window(pyatspi.ROLE_ALERT, containing="сохранить"), "the keep question", step=0.001)
print("ending %.4f" % (time.monotonic() - start), flush=True)
press(wait_for(lambda: find(keep, pyatspi.ROLE_PUSH_BUTTON, "No"), "its No"))
