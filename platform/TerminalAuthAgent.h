// SPDX-License-Identifier: GPL-3.0-or-later
// polkit's text agent for this process, for a command line run from a
// terminal where no desktop agent answers: udisks2's authorization then asks
// for the password on the terminal. The agent only registers as a fallback,
// so a desktop's own agent still wins where one runs.
#pragma once

#include <sys/types.h>

namespace vorkan {

class TerminalAuthAgent {
 public:
  // Starts pkttyagent for this process and waits (at most a few seconds)
  // until it has registered; nothing happens when it is not installed.
  TerminalAuthAgent();
  // Ends the agent.
  ~TerminalAuthAgent();
  TerminalAuthAgent(const TerminalAuthAgent&) = delete;
  TerminalAuthAgent& operator=(const TerminalAuthAgent&) = delete;

  bool Running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

}  // namespace vorkan
