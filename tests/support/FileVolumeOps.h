// SPDX-License-Identifier: GPL-3.0-or-later
// Regular files playing volumes, for running the core without real devices
// and for faults that real devices cannot be made to show on demand: a refused
// open or lock, a read error or short read at an offset, a medium that answers
// again on retry, a failing write, flush or close of the image.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "volume/ImageFile.h"
#include "volume/VolumeOps.h"

namespace vorkan {

struct FileVolume {
  std::string path;  // the file whose bytes the volume delivers
  DriveKind driveType = DriveKind::Fixed;
  bool hasInformation = true;  // ProbeFileSystem succeeds
  std::string label;
  std::string fileSystem = "vfat";
  std::uint32_t serial = 0;
  std::optional<std::int64_t> totalFreeBytes;  // unset: free-space query fails
  std::string folder;                          // where it is mounted; empty: not mounted
  std::optional<std::int64_t> reportedLength;  // unset: the file's size
  bool lengthFails = false;

  // Faults.
  bool refuseOpen = false;
  int refuseLock = 0;  // refuse this many lock requests (-1: always)
  // Reads that start at or beyond this offset deliver 0 bytes, `failReads`
  // times (-1: for ever); then the medium "returns" and reads go on.
  std::optional<std::int64_t> failReadAt;
  int failReads = -1;
  // A read crossing this offset stops short at it.
  std::optional<std::int64_t> shortReadAt;
  // A read at or beyond this offset throws instead of returning.
  std::optional<std::int64_t> throwReadAt;
};

struct ImageFaults {
  std::optional<std::int64_t> failWriteAfter;  // bytes accepted before writes fail
  int writeErrno = 28;                         // ENOSPC
  bool failFlush = false;                      // the disk reports an error when the image is flushed
  bool failClose = false;
  std::optional<std::int64_t> keepOnly;  // the file system keeps no byte past this, and says nothing
  bool failKeep = false;                 // the image cannot be given its name
};

class FileVolumeOps : public VolumeOps {
 public:
  void AddVolume(char letter, FileVolume volume);
  FileVolume& Volume(char letter);
  // Paths under `folderPrefix` lie on `letter` (longest prefix wins).
  void SetPathLetter(const std::string& folderPrefix, char letter);
  ImageFaults& Image() { return imageFaults_; }

  VolumeHandle OpenVolume(char letter) override;
  bool VolumeLength(VolumeHandle handle, std::int64_t& length) override;
  bool LockVolume(VolumeHandle handle) override;
  void UnlockVolume(VolumeHandle handle) override;
  std::uint32_t ReadVolume(VolumeHandle handle, void* buffer, std::uint32_t size) override;
  void CloseVolume(VolumeHandle handle) override;
  bool ProbeFileSystem(const std::string& rootPath, VolumeInformation& info) override;
  bool FreeSpaceOf(const std::string& rootPath, DiskFreeSpace& space) override;
  DriveKind KindOf(const std::string& rootPath) override;
  std::string FolderOfRootPath(const std::string& rootPath) override;
  char DriveLetterOfPath(const std::string& path) override;
  ImageHandle CreateImage(const std::string& path, const std::optional<FileIdentity>& replaces) override;
  bool AppendImage(ImageHandle image, const void* data, std::uint32_t size) override;
  bool GetFolderFreeSpace(const std::string& path, DiskFreeSpace& space) override;
  bool FlushImage(ImageHandle image, std::int64_t length) override;
  bool KeepImage(ImageHandle image, bool beside, std::string& keptPath) override;
  bool CloseImage(ImageHandle image) override;
  bool DeleteImage(ImageHandle image) override;

  // What the job did, for tests.
  int lockRequests = 0;
  int unlockRequests = 0;
  int locksHeld = 0;
  int openVolumes = 0;
  int openImages = 0;  // image handles held
  int imageFlushes = 0;
  std::int64_t bytesReadTotal = 0;

 private:
  struct OpenVolumeState {
    char letter;
    std::int64_t position = 0;
    bool locked = false;
  };
  FileVolume* Find(char letter);
  OpenVolumeState* State(VolumeHandle handle);

  std::map<char, FileVolume> volumes_;
  std::map<VolumeHandle, OpenVolumeState> open_;
  std::map<std::string, char> pathLetters_;
  ImageFaults imageFaults_;
  void Count(ImageHandle image);

  ImageFiles images_;
  std::map<ImageHandle, std::int64_t> imageWritten_;
  std::set<ImageHandle> heldImages_;
  std::set<ImageHandle> closedImages_;
  std::map<ImageHandle, std::string> keptPaths_;
};

}  // namespace vorkan
