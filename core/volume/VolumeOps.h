// SPDX-License-Identifier: GPL-3.0-or-later
// The platform operations the imaging core needs from the system, addressed
// the way the windows show drives: by letter, or by root path ("C:\"). The
// Linux implementation answers them over /dev,
// /sys and libblkid; the file-backed substitute answers them with regular
// files so that faults can be shown on demand.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "volume/DriveKind.h"
#include "volume/FileIdentity.h"

namespace vorkan {

// A volume handle; -1 is the invalid handle (a failed open, or "no handle
// given" as the first argument of GetDeviceLength).
using VolumeHandle = int;
constexpr VolumeHandle kInvalidHandle = -1;

// An image file handle; -1 when creating failed.
using ImageHandle = int;
constexpr ImageHandle kInvalidImage = -1;

// Bytes asked for by every volume read.
constexpr std::uint32_t CopyBlockSize = 262144;

struct VolumeInformation {
  std::string label;       // possibly empty
  std::string fileSystem;  // as the system reports it ("vfat", "ext4", ...)
  std::uint32_t serial = 0;
};

struct DiskFreeSpace {
  std::int64_t freeBytesAvailable = 0;  // to the caller (quota)
  std::int64_t totalBytes = 0;
  std::int64_t totalFreeBytes = 0;  // the one figure the program uses
};

class VolumeOps {
 public:
  virtual ~VolumeOps() = default;

  // Takes a new look at which volumes exist and which letters they hold;
  // called at the start of every drive list rebuild. Implementations whose
  // drives never change need not do anything.
  virtual void RefreshDrives() {}

  // The folder a root path "X:\" stands for (its volume's mount point), for
  // opening it in the file manager; empty when the volume is not mounted.
  virtual std::string FolderOfRootPath(const std::string& rootPath) {
    (void)rootPath;
    return {};
  }

  // The device node a root path "X:\" stands for; empty when unknown.
  virtual std::string DeviceOfRootPath(const std::string& rootPath) {
    (void)rootPath;
    return {};
  }

  // Whether opening a volume may ask the user for an authorization (the
  // desktop's password prompt). Only the copy itself should: the drive list
  // and the size checks before a copy only want lengths, and must never ask.
  virtual void SetInteractionAllowed(bool allowed) { (void)allowed; }

  // Opens the device of the volume with that letter (either case) for
  // sequential reading from byte 0.
  virtual VolumeHandle OpenVolume(char letter) = 0;
  // The volume's length in bytes; false when it cannot be told.
  virtual bool VolumeLength(VolumeHandle handle, std::int64_t& length) = 0;
  // Exclusive access until UnlockVolume or CloseVolume; false when refused.
  virtual bool LockVolume(VolumeHandle handle) = 0;
  virtual void UnlockVolume(VolumeHandle handle) = 0;
  // Reads up to `size` bytes from the current position; the count delivered,
  // 0 at the end of the volume and on any error alike.
  virtual std::uint32_t ReadVolume(VolumeHandle handle, void* buffer, std::uint32_t size) = 0;
  // The same read in two halves, so that the caller can go on with other
  // things (the windows) while the device takes its time: BeginRead starts
  // it and gives a descriptor that becomes readable when it has ended, or
  // -1 when it will only happen in EndRead; EndRead gives the count,
  // waiting for it if need be. The buffer must stay until EndRead.
  virtual int BeginRead(VolumeHandle handle, void* buffer, std::uint32_t size) {
    (void)handle, (void)buffer, (void)size;
    return -1;
  }
  virtual std::uint32_t EndRead(VolumeHandle handle, void* buffer, std::uint32_t size) {
    return ReadVolume(handle, buffer, size);
  }
  // Gives up the read BeginRead started, in place of EndRead, without
  // waiting for it (the program is ending): `buffer`, from std::malloc or
  // std::aligned_alloc, is the volume layer's from then on, kept for as long
  // as the read may still fill it. Where reads happen only in EndRead, none
  // is out and the buffer goes at once.
  virtual void AbandonRead(VolumeHandle handle, void* buffer) {
    (void)handle;
    std::free(buffer);
  }
  virtual void CloseVolume(VolumeHandle handle) = 0;

  // Queries by root path "X:\" (the first character is the letter; any other
  // first character names no drive).
  virtual bool ProbeFileSystem(const std::string& rootPath, VolumeInformation& info) = 0;
  virtual bool FreeSpaceOf(const std::string& rootPath, DiskFreeSpace& space) = 0;
  virtual DriveKind KindOf(const std::string& rootPath) = 0;

  // The drive letter of the file system that holds `path`'s folder, or the
  // path's first character when no lettered volume holds it.
  virtual char DriveLetterOfPath(const std::string& path) = 0;
  // How prompts name the drive that holds `path`: its letter when a lettered
  // volume holds it, else the folder its file system is mounted on
  // ("/mnt/share"), so that no prompt names a drive "/:\".
  virtual std::string DriveNameOfPath(const std::string& path) {
    const char letter = DriveLetterOfPath(path);
    if (letter >= 'A' && letter <= 'Z') return std::string(1, letter);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
  }
  // The free space of the file system holding `path`'s folder, whether or
  // not a block device stands behind it (tmpfs, NFS, FUSE); false when it
  // cannot be told.
  virtual bool GetFolderFreeSpace(const std::string& path, DiskFreeSpace& space) = 0;

  // The image file. It is written where nobody takes it for an image (a file
  // of no name, or a hidden partial name, in the target's folder) and takes
  // the chosen name only when KeepImage puts it there: what stood under that
  // name survives every copy that is not kept, and a copy that is killed
  // leaves nothing there.
  //
  // A handle lives until KeepImage or DeleteImage after CloseImage, or until
  // a CloseImage that succeeds after a KeepImage that did.
  // `replaces` is the file under `path` the user agreed to replace, as it
  // was when they agreed; nothing else is ever replaced by the image.
  virtual ImageHandle CreateImage(const std::string& path, const std::optional<FileIdentity>& replaces) = 0;
  // Writes every byte or fails; a failure is reported by the system (ENOSPC, EIO).
  virtual bool AppendImage(ImageHandle image, const void* data, std::uint32_t size) = 0;
  // Gives the image its full length, waits until all of it is on disk and
  // checks that it holds exactly `length` bytes; false when any of it fails.
  // Called before a copy is announced as complete.
  virtual bool FlushImage(ImageHandle image, std::int64_t length) = 0;
  // Puts the image under a name in one step, makes the name last and checks
  // that the name now is the image; false when it is not. With `beside`:
  // under the chosen name where it is free or holds the file the image may
  // replace, else under a free name beside it ("NAME (1).EXT"); without:
  // only where nothing stands, and an image closed already is thrown away
  // when the name is taken. `keptPath` says where the image is (the folder
  // may have been renamed), or where the data stayed though no name could
  // be set; empty when it is nowhere.
  virtual bool KeepImage(ImageHandle image, bool beside, std::string& keptPath) = 0;
  // No more writing; what was appended stays for KeepImage or DeleteImage.
  virtual bool CloseImage(ImageHandle image) = 0;
  // Throws the image away: one never kept goes without a trace, a kept one
  // is taken off the chosen name again.
  virtual bool DeleteImage(ImageHandle image) = 0;
};

// Path helpers shared by every implementation.
inline std::string RootPathOf(char letter) { return std::string(1, letter) + ":\\"; }

}  // namespace vorkan
