// SPDX-License-Identifier: GPL-3.0-or-later
// A volume of a given kind, made fresh on a loop device by the test: file
// systems with labels and files on them, read-only media, a bare disk image
// without any file system, one partition of a partitioned disk.
#pragma once

#include <memory>
#include <string>

#include "LoopDevice.h"
#include "MountedVolume.h"

namespace vorkan::test {

enum class VolumeKind { Vfat, Ext4, Btrfs, Squashfs, Iso9660, BareDisk, Partition };

const char* KindName(VolumeKind kind);

// What a test asks of the volume beyond its kind; empty fields keep the
// kind's own.
struct VolumeShape {
  std::string label;
  std::string size;   // as truncate takes it: "4M"
  bool files = true;  // a few files put on the file system when it is made
};

class TestVolume {
 public:
  // Makes the volume in `folder` (made when missing; one volume a folder);
  // null with the reason in `why` when this machine cannot.
  static std::unique_ptr<TestVolume> Make(VolumeKind kind, const std::string& folder, std::string& why,
                                          const VolumeShape& shape = {});

  // The lettered block device: "loop3", or "loop3p2" for the partition.
  const std::string& Name() const { return name_; }
  std::string Device() const { return "/dev/" + name_; }
  // The label the volume was made with; empty when it has none.
  const std::string& Label() const { return label_; }
  // Mounts it on `folder`; false with the reason when this kernel cannot.
  // Read-only, the file system writes nothing to its device while mounted.
  bool Mount(const std::string& folder, std::string& why, bool readOnly = false);
  bool Mounted() const { return mount_ != nullptr; }

 private:
  TestVolume() = default;

  VolumeKind kind_ = VolumeKind::BareDisk;
  std::unique_ptr<LoopDevice> loop_;
  std::unique_ptr<MountedVolume> mount_;  // goes before the loop device
  std::string name_, label_;
};

}  // namespace vorkan::test
