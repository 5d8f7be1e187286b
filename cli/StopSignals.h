// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C, SIGTERM and SIGHUP ask a running copy to stop the way its Abort
// does: the handler only notes the signal and wakes whoever waits on the
// descriptor, and the copy looks at the note between blocks. A second
// signal of the same kind ends the program at once, as it would have.
#pragma once

namespace vorkan::cli {

class StopSignals {
 public:
  // Catches the three from now on.
  StopSignals();
  // Gives them back their default action.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal that came, 0 while none did.
  static int Received();
  // Readable from the first signal on.
  int Descriptor() const { return pipe_[0]; }

 private:
  int pipe_[2] = {-1, -1};
};

}  // namespace vorkan::cli
