// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopDevice.h"

#include "Command.h"
#include "Files.h"

namespace vorkan::test {

LoopDevice::LoopDevice(const std::string& imagePath, Options options) : partitioned_(options.partitioned) {
  const std::string flags = std::string(options.partitioned ? "-P " : "") + (options.readOnly ? "-r " : "") +
                            (options.directIo ? "--direct-io=on " : "");
  const CommandResult r = Run("losetup -f --show " + flags + Quote(imagePath));
  // The device's line; warnings (an image whose end is no whole sector) may
  // stand beside it.
  for (std::size_t at = 0; r.status == 0 && at < r.output.size();) {
    const std::size_t end = r.output.find('\n', at);
    const std::string line = r.output.substr(at, end - at);
    if (line.rfind("/dev/loop", 0) == 0) device_ = line;
    at = end == std::string::npos ? end : end + 1;
  }
  if (!Ok()) {
    error_ = r.output;
    return;
  }
  // A kernel that did not read the table itself is told of it by partx.
  if (partitioned_ && PartitionName(1).empty()) Run("partx -a " + device_);
}

LoopDevice::~LoopDevice() {
  if (!Ok()) return;
  if (partitioned_) Run("partx -d " + device_);
  Run("losetup -d " + device_);
}

std::string LoopDevice::PartitionName(int n) const {
  const std::string name = Name() + "p" + std::to_string(n);
  return Exists("/sys/class/block/" + name) && Exists("/dev/" + name) ? name : std::string();
}

std::string LoopDevicesUnavailable() {
  if (!IsRoot()) return "needs root to attach loop devices (run the tests as root)";
  if (!Exists("/dev/loop-control")) return "no loop device support here";
  if (Run("losetup -f").status != 0) return "no free loop device on this machine";
  return {};
}

}  // namespace vorkan::test
