// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces every journey uses (besides the main window's driver): the checks
// that the program is back at rest after a copy.
#pragma once

#include <string>

#include "MainWindowDriver.h"

namespace vorkan::test {

// Whether the device can be opened exclusively right now (nobody holds it).
bool CanOpenExclusive(const std::string& device);
// Whether one of this process's descriptors refers to `path`.
bool HoldsDescriptorOn(const std::string& path);

// After a journey: no descriptor left open, nothing held on `device` (when
// given), the main window shown and idle with the flags at 0, the seven copy
// controls enabled, the progress window hidden and the title back.
void ExpectAtRest(MainWindow& form, int descriptorsBefore, const std::string& device = "");

// Runs the application's message loop until it ends; the status it ended
// with. A loop still running after two minutes is ended with status 3 and
// `stillRunning` set: only a program that never got out of it meets that.
int ExecWithWatchdog(bool& stillRunning);

}  // namespace vorkan::test
