// SPDX-License-Identifier: GPL-3.0-or-later
// The volume operations over a Linux system: raw volumes are the device nodes
// of the lettered block devices, volume details come from a libblkid probe of
// the device, free space from statvfs of the mount point. A device the user
// may not open is opened through a DeviceOpener when one is given.
//
// The probes run on threads of their own, so that a slow or dying device
// never holds the caller (the windows) for longer than kProbeWait: a device
// that has not answered by then is described as one that cannot be read, and
// its probe's late answer is taken at the next refresh.
#pragma once

#include <cstdint>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "volume/AsyncRead.h"
#include "volume/DeviceOpener.h"
#include "volume/DriveLetterMap.h"
#include "volume/ImageFile.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// The 32-bit serial number of a file system from its UUID as libblkid writes
// it: FAT and exFAT "1A2B-3C4D" give 0x1A2B3C4D, NTFS's 64-bit serial gives
// its low 32 bits, any other UUID its first eight hexadecimal digits; 0 when
// there is no UUID.
std::uint32_t SerialFromUuid(std::string_view uuid, std::string_view fsType);

// A label as the windows show it, from the bytes the file system holds: UTF-8
// as it stands; a FAT label ("vfat", "msdos") that is not UTF-8 was written by
// DOS or Windows in the OEM code page, 866 for Russian; anything else that is
// not UTF-8 gets U+FFFD for its damaged parts.
std::string VolumeLabelText(std::string_view raw, std::string_view fsType);

// A name in /dev/disk/by-label as udev writes it, with "\x20" for a space.
std::string DecodeUdevName(std::string_view name);

class LinuxVolumeOps : public VolumeOps {
 public:
  // How long a refresh waits for the probes of all volumes together, and a
  // query outside a refresh for its own: long enough for any device that
  // answers from its medium (a few milliseconds), short enough not to be
  // seen as a stop of the windows.
  static constexpr std::chrono::milliseconds kProbeWait{150};

  LinuxVolumeOps();
  // Other roots for sysfs, /dev, mountinfo and /dev/disk (tests).
  LinuxVolumeOps(DriveLetterSources sources, std::string diskByDir);
  ~LinuxVolumeOps() override;
  LinuxVolumeOps(const LinuxVolumeOps&) = delete;
  LinuxVolumeOps& operator=(const LinuxVolumeOps&) = delete;

  // Where devices the user may not open are opened (not owned; null: none,
  // such a device then cannot be opened at all).
  void SetDeviceOpener(DeviceOpener* opener) { opener_ = opener; }
  // Off (the start): a device the user may not open is given a handle that
  // tells its length (from the opener's properties) and reads nothing, and
  // the opener is never asked to open anything. On: it is opened through the
  // opener, which may ask the user.
  void SetInteractionAllowed(bool allowed) override { interactionAllowed_ = allowed; }

  // Takes a new look at the drives, probes every lettered volume at once and
  // waits for them at most kProbeWait in all.
  void RefreshDrives() override;
  std::string FolderOfRootPath(const std::string& rootPath) override;
  std::string DeviceOfRootPath(const std::string& rootPath) override;

  // Takes one more source for as long as these operations live: a device
  // node (or a link to one, as in /dev/disk/by-label), a regular file, or
  // the folder a volume is mounted on. Gives the letter of a lettered
  // volume; anything else (a whole disk with partitions, a file) takes the
  // first free letter from C on, which stands for it from then on, the drive
  // list's volumes notwithstanding. 0 with errno set when it is none of
  // these, cannot be opened, or no letter is free.
  char AddSource(const std::string& path);

  VolumeHandle OpenVolume(char letter) override;
  bool VolumeLength(VolumeHandle handle, std::int64_t& length) override;
  bool LockVolume(VolumeHandle handle) override;
  void UnlockVolume(VolumeHandle handle) override;
  std::uint32_t ReadVolume(VolumeHandle handle, void* buffer, std::uint32_t size) override;
  int BeginRead(VolumeHandle handle, void* buffer, std::uint32_t size) override;
  std::uint32_t EndRead(VolumeHandle handle, void* buffer, std::uint32_t size) override;
  void AbandonRead(VolumeHandle handle, void* buffer) override;
  void CloseVolume(VolumeHandle handle) override;

  bool ProbeFileSystem(const std::string& rootPath, VolumeInformation& info) override;
  bool FreeSpaceOf(const std::string& rootPath, DiskFreeSpace& space) override;
  DriveKind KindOf(const std::string& rootPath) override;
  char DriveLetterOfPath(const std::string& path) override;
  std::string DriveNameOfPath(const std::string& path) override;
  bool GetFolderFreeSpace(const std::string& path, DiskFreeSpace& space) override;

  ImageHandle CreateImage(const std::string& path, const std::optional<FileIdentity>& replaces) override;
  bool AppendImage(ImageHandle image, const void* data, std::uint32_t size) override;
  bool FlushImage(ImageHandle image, std::int64_t length) override;
  bool KeepImage(ImageHandle image, bool beside, std::string& keptPath) override;
  bool CloseImage(ImageHandle image) override;
  bool DeleteImage(ImageHandle image) override;

  // Opens a device node, or a regular file standing in for a volume, the way
  // OpenVolume opens a lettered one; anything else is refused.
  VolumeHandle OpenDevicePath(const std::string& path);

  // The letter snapshot, taken on first use and again by RefreshDrives.
  const DriveLetterMap& Map();

 private:
  // A libblkid probe of one device, shared with the thread that makes it.
  struct Probe;
  // The volume's probe still running or not yet taken, else a new one
  // (`started`).
  std::shared_ptr<Probe> ProbeOf(const BlockVolume& volume, bool& started);
  VolumeHandle OpenThroughOpener(const std::string& path);
  // A handle that tells `length` and reads nothing.
  VolumeHandle LengthOnlyHandle(const std::string& path, std::int64_t length);
  bool QueryWithoutDevice(const BlockVolume& volume, VolumeInformation& info);
  // What a read of `n` bytes leaves behind: the pages done with dropped.
  std::uint32_t AfterRead(VolumeHandle handle, ssize_t n);

  // A source AddSource took under a letter of its own.
  struct ExtraSource {
    char letter = 0;
    std::string path;  // the device node, or the file
    int file = -1;     // the regular file, held open since it was taken
    DriveKind kind = DriveKind::Fixed;
    std::int64_t kernelBytes = 0;  // a device's size as the kernel tells anyone
    bool mounted = false;
  };
  const ExtraSource* ExtraOf(char letter) const;
  char AddBlockSource(const std::string& path, dev_t device);
  char FreeLetter();
  // Opens a device node the way a lettered volume is opened.
  VolumeHandle OpenVolumeDevice(const std::string& path, std::int64_t kernelBytes, bool mounted);

  // A source volume that is not mounted has its pages dropped behind the
  // reads, so a copy does not fill the page cache with them. A mounted one
  // keeps them: its file system's cached metadata lives in the same cache.
  struct DropBehind {
    std::int64_t position = 0;  // bytes read so far
    std::int64_t dropped = 0;   // the pages before this offset are dropped
  };

  DriveLetterMap map_;
  std::map<std::string, std::shared_ptr<Probe>> probes_;  // by device path
  AsyncRead async_;
  VolumeHandle asyncHandle_ = kInvalidHandle;  // whose read async_ holds
  std::string diskByDir_;
  // Each locked handle with the second, exclusive descriptor that holds the
  // lock: O_EXCL only takes effect when a device is opened, so the lock can
  // only be taken by opening the device once more.
  std::vector<std::pair<VolumeHandle, int>> locks_;
  DeviceOpener* opener_ = nullptr;
  bool interactionAllowed_ = false;
  // Handles the opener gave, with their device paths: their lock is another
  // open through the opener, since the system refuses this process the
  // reopen of the node.
  std::map<VolumeHandle, std::string> brokered_;
  // Handles of devices nobody has authorized yet, with the length the
  // opener's properties or the kernel tell; they read nothing.
  std::map<VolumeHandle, std::int64_t> lengthOnly_;
  std::map<VolumeHandle, DropBehind> dropBehind_;
  // The images made here and not yet done with, each with its write-behind.
  ImageFiles images_;
  std::vector<ExtraSource> extras_;
};

}  // namespace vorkan
