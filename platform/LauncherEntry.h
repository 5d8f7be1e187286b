// SPDX-License-Identifier: GPL-3.0-or-later
// The progress of a copy on the program's entry in a task bar or dock, the
// way several desktops read it: the launcher-entry signal on the session bus,
// which they draw as a bar over the entry of application://vorkan.desktop.
#pragma once

#include <cstdint>

namespace vorkan {

class LauncherEntry {
 public:
  // Reaches the session bus (if there is one) now, when the window is made:
  // connecting starts the bus's thread and keeps its descriptors, which is no
  // business of a copy.
  LauncherEntry();

  // A copy stands at `percent` (0..100): the bar shows it. Sent only when the
  // bar is not shown yet or the whole percentage has changed, as the job
  // reports after every block.
  void ShowProgress(std::int32_t percent);
  // The copy is over: the bar goes.
  void HideProgress();

 private:
  // Nothing is sent, and nothing said, without a session bus.
  static void Send(std::int32_t percent, bool visible);

  // The percentage the bar shows; -1 while it is hidden.
  std::int32_t shownPercent_ = -1;
};

}  // namespace vorkan
