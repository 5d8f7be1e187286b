// SPDX-License-Identifier: GPL-3.0-or-later
// A real loop device for a test, attached to an image file and always
// detached again, its partitions first.
#pragma once

#include <string>

namespace vorkan::test {

class LoopDevice {
 public:
  struct Options {
    bool partitioned = false;  // scan the partition table (losetup -P)
    bool readOnly = false;     // a medium that cannot be written (losetup -r)
    bool directIo = false;     // no second cache of the backing file (losetup --direct-io=on)
  };
  // Attaches `imagePath` (already filled by the caller). Check Ok() after.
  explicit LoopDevice(const std::string& imagePath) : LoopDevice(imagePath, Options{}) {}
  LoopDevice(const std::string& imagePath, Options options);
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  bool Ok() const { return !device_.empty(); }
  const std::string& Error() const { return error_; }     // what losetup said when it failed
  const std::string& Device() const { return device_; }   // "/dev/loop3"
  std::string Name() const { return device_.substr(5); }  // "loop3"
  // Partition `n` of a partitioned device: "loop3p2"; empty when the kernel
  // shows no such partition.
  std::string PartitionName(int n) const;

 private:
  std::string device_, error_;
  bool partitioned_ = false;
};

// Why loop-device tests cannot run here, or empty when they can.
std::string LoopDevicesUnavailable();

}  // namespace vorkan::test
