// SPDX-License-Identifier: GPL-3.0-or-later
// The program started with arguments: a command run without any window or
// display, on a QCoreApplication of its own.
#pragma once

namespace vorkan::cli {

// The exit status of the command the arguments name.
int RunCommandLine(int argc, char** argv);

}  // namespace vorkan::cli
