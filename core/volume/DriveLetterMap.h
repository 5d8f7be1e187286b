// SPDX-License-Identifier: GPL-3.0-or-later
// Drive letters for the block devices of a Linux system, given the way the
// volume manager of a lettered system would give them:
//
//  - a volume is an entry of /sys/class/block that is a partition, a whole
//    disk without partitions, an optical drive (sr*, with or without a
//    medium) or a floppy (fd*); loop devices count only while they have a
//    backing file, RAM disks and zram devices only when their size is not 0,
//    and the eMMC boot and RPMB areas never;
//  - fd0 is A and fd1 is B; C is the volume that holds "/" (or, when "/" is
//    not on a block device, the first fixed volume); every other volume takes
//    the next free letter from C on, in the natural order of the kernel
//    names (loop2 < loop10 < sda1 < sdb1 < sr0); there is nothing after Z;
//  - the root path "X:\" stands for the volume's first mount point, and
//    opening the letter opens its device node.
//
// The map is a snapshot: it is taken again only by Rebuild (the drive list
// does that on every refresh), so that the lookups the copy job makes for
// every block cost no more than a comparison or two.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "volume/DriveKind.h"
#include "volume/MountInfo.h"

namespace vorkan {

struct BlockVolume {
  std::string name;        // kernel name: "sda1", "loop0p1", "sr0"
  std::string devicePath;  // "/dev/sda1"
  unsigned major = 0;
  unsigned minor = 0;
  DriveKind driveType = DriveKind::Unknown;  // Removable, Fixed, CdRom or RamDisk
  std::string mountPoint;                    // the first mount of its file system; empty when not mounted
  std::string mountFsType;                   // the file system type of that mount
  char letter = 0;                           // 'A'..'Z', or 0 when no letter was left for it
  // The size the kernel gives anyone (sysfs, 512-byte units), for a volume
  // this process may not open; 0 when unknown.
  std::int64_t kernelBytes = 0;
};

struct DriveLetterSources {
  std::string sysBlockDir = "/sys/class/block";
  std::string devDir = "/dev";
  std::string mountInfoPath = "/proc/self/mountinfo";
  // The mount ID of the mount holding a folder, as the first field of the
  // mount table above numbers it; a table of another system (tests) comes
  // with its own, or with none, which leaves the mount points to decide.
  std::function<bool(const std::string& folder, std::uint64_t& mountId)> mountIdOf = MountIdOfPath;
};

// Kernel names compared with runs of digits taken as numbers: loop2 < loop10.
bool NaturalLess(std::string_view a, std::string_view b);

// The folder part of a path: "/" for a file in the root, "." for a bare name.
std::string FolderOfPath(const std::string& path);

// The volumes found under `sysBlockDir`, in natural order of their names,
// with their drive types and device paths but without letters or mounts.
std::vector<BlockVolume> ScanBlockVolumes(const std::string& sysBlockDir, const std::string& devDir);

class DriveLetterMap {
 public:
  DriveLetterMap();
  explicit DriveLetterMap(DriveLetterSources sources);

  // Takes a new snapshot of the block devices and of the mount table.
  void Rebuild();
  // The same with a mount table given by the caller.
  void Rebuild(std::vector<MountEntry> mounts);
  bool IsBuilt() const { return built_; }

  // The volume at `letter` (upper or lower case); nullptr when none.
  const BlockVolume* VolumeOfLetter(char letter) const;
  // DriveKind::NoRootDir for a letter without a volume.
  DriveKind KindOfLetter(char letter) const;
  // The letter of a kernel name ("loop3p1"), 0 when it has none.
  char LetterOfDevice(std::string_view kernelName) const;
  // The letter of the lettered volume mounted where the folder of `path`
  // lies, else the path's first character (0 for ""). The mount is the one
  // the folder's mount ID names, else the one with the longest mount point
  // holding its resolved path; a folder that does not exist yet belongs to
  // the mount of its nearest existing parent. Only when the mount table
  // knows no mount there does the folder's st_dev decide.
  char LetterOfPath(const std::string& path) const;
  // Where the file system holding `path`'s folder is mounted, found as
  // LetterOfPath finds it; empty when the mount table knows no such mount.
  std::string MountPointOfPath(const std::string& path) const;

  // Every volume of the snapshot in natural order, lettered or not.
  const std::vector<BlockVolume>& Volumes() const { return volumes_; }
  const std::vector<MountEntry>& Mounts() const { return mounts_; }

 private:
  std::string KernelNameOfSource(const std::string& source) const;
  // The index in mounts_ of the mount holding `path`'s folder, -1 when none.
  int MountOfPath(const std::string& path) const;
  void AssignLetters(const BlockVolume* rootVolume);

  DriveLetterSources sources_;
  bool built_ = false;
  std::vector<BlockVolume> volumes_;
  std::vector<MountEntry> mounts_;
  std::vector<char> mountLetters_;                  // the letter of each mount's volume, 0 when none
  std::array<int, 26> byLetter_{};                  // index into volumes_, -1 when free
  std::vector<std::pair<dev_t, char>> devLetters_;  // st_dev of file systems on lettered volumes
};

}  // namespace vorkan
