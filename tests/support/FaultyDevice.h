// SPDX-License-Identifier: GPL-3.0-or-later
// A real block device (/dev/loopN) whose reads and writes pass through the
// faulty_fs daemon, so that a test can make it slow, fail at chosen bytes
// or vanish like a pulled medium, for every reader and on any kernel. On
// destruction the loop device, the mount and the daemon all go.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LoopDevice.h"

namespace vorkan::test {

struct DeviceFaults {
  struct Range {
    std::int64_t begin = 0, end = 0;  // bytes [begin, end) of the device
    int failures = -1;                // the first N reads touching it fail; -1: every one
  };
  std::vector<Range> failing = {};  // with EIO
  long readRate = 0;                // bytes a second; 0: as fast as the backing file
  long writeRate = 0;
  std::string Text() const;  // as faulty_fs's control file takes it
};

class FaultyDevice {
 public:
  // Serves `backingPath` (already filled) with `faults`. Check Ok() after.
  explicit FaultyDevice(const std::string& backingPath, const DeviceFaults& faults = {});
  ~FaultyDevice();
  FaultyDevice(const FaultyDevice&) = delete;
  FaultyDevice& operator=(const FaultyDevice&) = delete;

  bool Ok() const { return loop_ && loop_->Ok(); }
  const std::string& Error() const { return error_; }
  const std::string& Device() const { return loop_->Device(); }  // "/dev/loop3"
  std::string Name() const { return loop_->Name(); }             // "loop3"

  // Replaces the faults (and restarts the flaky counts); a read waiting for
  // its turn ends its wait.
  bool Set(const DeviceFaults& faults);
  // The daemon killed: every read from then on fails, as from a pulled medium.
  void Pull();

 private:
  void Stop();

  std::string mount_, error_;
  pid_t daemon_ = -1;
  std::unique_ptr<LoopDevice> loop_;
};

// Why faulty devices cannot be had here (no root, loop devices or FUSE), or
// empty when they can.
std::string FaultyDevicesUnavailable();

}  // namespace vorkan::test
