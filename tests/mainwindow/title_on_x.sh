#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The copy's title on a real X server (Xvfb, xcb platform): after a pause,
# the progress window's hiding and the copy, the icon name the server holds
# for every visible window is the latest title (MainWindowTitle, which reads
# the server's _NET_WM_ICON_NAME on xcb).
# Usage: title_on_x.sh TEST_PROGRAM
# Exit code 77: no Xvfb.
set -uo pipefail

program="$1"
source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

make_work
start_xvfb
private_runtime
QT_QPA_PLATFORM=xcb "$program" --gtest_filter='MainWindowTitle.*'
