// SPDX-License-Identifier: GPL-3.0-or-later
// The parts both copy programs share: a host that never waits for a user, and
// the timing of one copy with what the scripts read from it ("seconds",
// "maxrss_kib", "ok"), one per line.
#pragma once

#include <dirent.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "NullCopyJobHost.h"

namespace vorkan::bench {

// Prints a prompt (none comes up in a normal run) and answers it Cancel.
class PrintingHost : public NullCopyJobHost {
 public:
  PromptResult ShowPrompt(PromptId, const std::string& text, PromptKind, PromptButtons) override {
    std::fprintf(stderr, "prompt: %s\n", text.c_str());
    return PromptResult::Cancel;
  }
};

// Runs `copy` (returns true on success), prints the wall seconds it took and
// the process's peak resident memory so far, and gives the exit status.
template <class Copy>
int TimeCopy(Copy&& copy) {
  // The CPU of the call alone too: a windowed program's start-up is no part of its copy.
  const auto cpu = [] {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  const double cpuBefore = cpu();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = copy();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpuSeconds = cpu() - cpuBefore;
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds %.6f\ncpu_seconds %.6f\nmaxrss_kib %ld\nok %d\n", seconds, cpuSeconds, usage.ru_maxrss,
              ok ? 1 : 0);
  return ok ? 0 : 1;
}

// User plus system clock ticks of process `pid` so far (fields 14 and 15 of
// /proc/PID/stat, counted after the command name, which may hold spaces), or
// -1 when there is no such process.
inline long ProcessCpuTicks(long pid) {
  if (pid <= 0) return -1;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return -1;
  const auto end = line.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(line.substr(end + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return fields ? utime + stime : -1;
}

// Nanoseconds process `pid` has run so far, summed over its threads (the
// first field of each /proc/PID/task/TID/schedstat: exact where the ticks
// of ProcessCpuTicks are 10 ms), or -1 where the kernel keeps no such count.
inline long long ProcessCpuNanoseconds(long pid) {
  if (pid <= 0) return -1;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = ::opendir(tasks.c_str());
  if (dir == nullptr) return -1;
  long long sum = 0;
  bool any = false;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
    long long ns = 0;
    if (in >> ns) {
      sum += ns;
      any = true;
    }
  }
  ::closedir(dir);
  return any ? sum : -1;
}

}  // namespace vorkan::bench
