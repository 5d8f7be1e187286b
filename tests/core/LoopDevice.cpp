#include "LoopDevice.h"

#include "TestSupport.h"

namespace vorkan::test {

LoopDevice::LoopDevice(const std::string& imagePath) {
  const std::string out = RunOutput("losetup -f --show '" + imagePath + "' 2>/dev/null");
  const auto end = out.find('\n');
  if (out.rfind("/dev/loop", 0) == 0) device_ = out.substr(0, end);
}

LoopDevice::~LoopDevice() {
  Unmount();
  if (Ok()) Run("losetup -d " + device_ + " 2>/dev/null");
}

bool LoopDevice::Mount(const std::string& folder, const std::string& options) {
  const std::string opt = options.empty() ? "" : " -o " + options;
  if (Run("mount" + opt + " " + device_ + " '" + folder + "' 2>/dev/null") != 0) return false;
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
