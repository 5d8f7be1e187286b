// The volumes the journeys copy, each made fresh on a loop device by the
// test: file systems with labels and files on them, read-only media, a bare
// disk image without any file system, one partition of a partitioned disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "LoopDevice.h"

namespace vorkan::test {

enum class VolumeKind { Vfat, Ext4, Btrfs, Squashfs, Iso9660, BareDisk, Partition };

const char* KindName(VolumeKind kind);

class TestVolume {
 public:
  // Makes the volume in `folder` (which must exist); null with the reason in
  // `why` when this machine cannot.
  static std::unique_ptr<TestVolume> Make(VolumeKind kind, const std::string& folder, std::string& why);

  // The lettered block device: "loop3", or "loop3p2" for the partition.
  const std::string& Name() const { return name_; }
  std::string Device() const { return "/dev/" + name_; }
  // The label the volume was made with; empty when it has none.
  const std::string& Label() const { return label_; }
  // Mounts it on `folder`; false with the reason when this kernel cannot.
  bool Mount(const std::string& folder, std::string& why);
  bool Mounted() const { return mounted_; }

 private:
  TestVolume() = default;

  VolumeKind kind_ = VolumeKind::BareDisk;
  std::unique_ptr<LoopDevice> loop_;
  std::string name_, label_;
  bool mounted_ = false;
};

// The SHA-256 of a file or device as sha256sum prints it; empty on failure.
std::string Sha256(const std::string& path);
// The same of the first `bytes` bytes only.
std::string Sha256OfPrefix(const std::string& path, std::int64_t bytes);
std::int64_t SizeOf(const std::string& path);  // file or block device; -1 on failure

}  // namespace vorkan::test
