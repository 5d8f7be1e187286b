// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the machine awake while a copy runs: a "sleep" inhibitor of logind
// (mode "block") on the system bus, held as the descriptor logind hands back
// and let go by closing it. A lid closed or an idle timeout half-way through
// a copy would otherwise suspend the machine and leave a broken image behind.
// The screen may still lock or blank: only sleep is held off.
#pragma once

#include <string>

namespace vorkan {

class SleepInhibitor {
 public:
  // How long the one call of a copy may wait for logind; it answers in
  // milliseconds, and a copy must not stall on one that hangs.
  static constexpr int kTimeoutMs = 1000;

  // Reaches the system bus (if there is one) now, when the window is made,
  // as the task-bar entry does with the session bus.
  SleepInhibitor();
  ~SleepInhibitor();
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  // Holds off sleep, giving `why` as the reason the desktop shows. Does
  // nothing while held; without a system bus or logind, or when logind
  // refuses, nothing is held and nothing said.
  void Hold(const std::string& why);
  // Lets sleep come again.
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace vorkan
