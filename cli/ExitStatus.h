// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line exits with; `vorkan --help` lists the same table.
#pragma once

namespace vorkan::cli {

enum ExitStatus : int {
  kSuccess = 0,
  kFailed = 1,  // the copy failed or was incomplete
  kUsage = 2,
  kDifferent = 3,          // verify found a difference
  kUnreadableSectors = 4,  // complete but for unreadable sectors
  kKeptElsewhere = 5,      // the image took another name, printed on stdout
};

// Ended by a signal (SIGHUP, SIGINT, SIGTERM): 128 and its number.
constexpr int StatusOfSignal(int signal) { return 128 + signal; }

}  // namespace vorkan::cli
