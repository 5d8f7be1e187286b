// SPDX-License-Identifier: GPL-3.0-or-later
// The scheduling priority of the whole process, chosen in the progress window.
#pragma once

namespace vorkan {

// 0 low, 1 normal, 2 high: nice 19, 0, -10 and the I/O priority idle,
// best-effort (level 4, the middle), best-effort level 0. Applies to every
// thread of the process. A refused change (raising the priority needs
// privileges) leaves the priority as it was; other indices do nothing.
void SetProcessPriority(int index);

// The nice value of the calling thread.
int CurrentNiceValue();

// The I/O priority of the calling thread: class (0 none, 1 real time,
// 2 best-effort, 3 idle) and level.
struct IoPriority {
  int ioClass;
  int level;
};
IoPriority CurrentIoPriority();

}  // namespace vorkan
