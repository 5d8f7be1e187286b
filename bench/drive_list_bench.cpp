// SPDX-License-Identifier: GPL-3.0-or-later
// Times full rebuilds of the drive list over the system's real volumes: the
// letter map, and for every letter the volume details, the device length and
// the drive type, into the in-memory list.
//
//   drive_list_bench [rebuilds]      (default 50)
//
// The last line is "per_rebuild_ns=<nanoseconds>" for scripts.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "DriveCatalogue.h"
#include "DriveListModel.h"
#include "volume/LinuxVolumeOps.h"

int main(int argc, char** argv) {
  const long rebuilds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 50;
  if (rebuilds <= 0) {
    std::fprintf(stderr, "usage: %s [rebuilds]\n", argv[0]);
    return 2;
  }
  vorkan::LinuxVolumeOps ops;
  vorkan::DriveListModel list;
  vorkan::FillDriveList(ops, list);  // warms the page cache like a first start would
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < rebuilds; ++i) vorkan::FillDriveList(ops, list);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
  std::printf("%ld rebuilds of %d rows in %.3f ms, %.3f ms each\n", rebuilds, list.RowCount(), ns / 1e6,
              ns / 1e6 / static_cast<double>(rebuilds));
  std::printf("per_rebuild_ns=%lld\n", ns / rebuilds);
  return 0;
}
