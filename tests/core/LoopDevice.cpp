#include "LoopDevice.h"

#include "TestSupport.h"

namespace vorkan::test {

LoopDevice::LoopDevice(const std::string& imagePath, Options options) : partitioned_(options.partitioned) {
  const std::string flags = std::string(options.partitioned ? "-P " : "") + (options.readOnly ? "-r " : "");
  const std::string out = RunOutput("losetup -f --show " + flags + "'" + imagePath + "' 2>/dev/null");
  const auto end = out.find('\n');
  if (out.rfind("/dev/loop", 0) == 0) device_ = out.substr(0, end);
  // A kernel that did not read the table itself is told of it by partx.
  if (Ok() && partitioned_ && PartitionName(1).empty()) Run("partx -a " + device_ + " >/dev/null 2>&1");
}

LoopDevice::~LoopDevice() {
  Unmount();
  if (!Ok()) return;
  if (partitioned_) Run("partx -d " + device_ + " >/dev/null 2>&1");
  Run("losetup -d " + device_ + " 2>/dev/null");
}

std::string LoopDevice::PartitionName(int n) const {
  const std::string name = Name() + "p" + std::to_string(n);
  return Exists("/sys/class/block/" + name) && Exists("/dev/" + name) ? name : std::string();
}

bool LoopDevice::Mount(const std::string& folder, const std::string& options, const std::string& device) {
  const std::string opt = options.empty() ? "" : " -o " + options;
  const std::string what = device.empty() ? device_ : device;
  if (Run("mount" + opt + " " + what + " '" + folder + "' 2>/dev/null") != 0) return false;
  mountPoint_ = folder;
  return true;
}

void LoopDevice::Unmount() {
  if (mountPoint_.empty()) return;
  Run("umount '" + mountPoint_ + "' 2>/dev/null");
  mountPoint_.clear();
}

std::string LoopDevicesUnavailable() {
  if (!IsRoot()) return "needs root to attach loop devices (run the tests as root)";
  if (Run("losetup -f >/dev/null 2>&1") != 0) return "no free loop device on this machine";
  return {};
}

}  // namespace vorkan::test
