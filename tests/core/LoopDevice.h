// A real loop-device volume for a test: made from an image file, optionally
// formatted and mounted, and always unmounted and detached again.
#pragma once

#include <string>

namespace vorkan::test {

class LoopDevice {
 public:
  // Attaches `imagePath` (already filled by the caller). Check Ok() after.
  explicit LoopDevice(const std::string& imagePath);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  bool Ok() const { return !device_.empty(); }
  const std::string& Device() const { return device_; }  // "/dev/loop3"
  std::string Name() const { return device_.substr(5); } // "loop3"
  bool Mount(const std::string& folder, const std::string& options = "");
  void Unmount();

 private:
  std::string device_;
  std::string mountPoint_;
};

// Why loop-device tests cannot run here, or empty when they can.
std::string LoopDevicesUnavailable();

}  // namespace vorkan::test
