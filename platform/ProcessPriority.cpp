// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessPriority.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace vorkan {

namespace {

// From the kernel's ioprio interface.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassShift = 13;
constexpr int kIoprioClassBestEffort = 2;
constexpr int kIoprioClassIdle = 3;

constexpr int IoprioValue(int ioClass, int level) { return (ioClass << kIoprioClassShift) | level; }

struct PriorityLevel {
  int nice;
  int ioprio;
};

constexpr PriorityLevel kLevels[] = {
    {19, IoprioValue(kIoprioClassIdle, 0)},
    {0, IoprioValue(kIoprioClassBestEffort, 4)},
    {-10, IoprioValue(kIoprioClassBestEffort, 0)},
};

// On Linux both priorities belong to a thread, not the process: the threads
// of the process, the calling one first (0 stands for it).
std::vector<int> ThreadsOfProcess() {
  std::vector<int> tids{0};
  const int self = static_cast<int>(syscall(SYS_gettid));
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
      const int tid = std::atoi(entry->d_name);
      if (tid > 0 && tid != self) tids.push_back(tid);
    }
    closedir(dir);
  }
  return tids;
}

}  // namespace

void SetProcessPriority(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kLevels))) return;
  const PriorityLevel& level = kLevels[index];
  for (int tid : ThreadsOfProcess()) {
    // Refusals (EACCES, EPERM) and threads gone meanwhile (ESRCH) are ignored.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), level.nice);
    (void)syscall(SYS_ioprio_set, kIoprioWhoProcess, tid, level.ioprio);
  }
}

int CurrentNiceValue() {
  errno = 0;
  return getpriority(PRIO_PROCESS, 0);
}

IoPriority CurrentIoPriority() {
  const long value = syscall(SYS_ioprio_get, kIoprioWhoProcess, 0);
  if (value < 0) return {0, 0};
  return {static_cast<int>(value >> kIoprioClassShift),
          static_cast<int>(value & ((1 << kIoprioClassShift) - 1))};
}

}  // namespace vorkan
