// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileVolumeOps.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorkan {

namespace {
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
}  // namespace

void FileVolumeOps::AddVolume(char letter, FileVolume volume) { volumes_[Upper(letter)] = std::move(volume); }

FileVolume& FileVolumeOps::Volume(char letter) { return volumes_.at(Upper(letter)); }

void FileVolumeOps::SetPathLetter(const std::string& folderPrefix, char letter) {
  pathLetters_[folderPrefix] = letter;
}

FileVolume* FileVolumeOps::Find(char letter) {
  auto it = volumes_.find(Upper(letter));
  return it == volumes_.end() ? nullptr : &it->second;
}

FileVolumeOps::OpenVolumeState* FileVolumeOps::State(VolumeHandle handle) {
  auto it = open_.find(handle);
  return it == open_.end() ? nullptr : &it->second;
}

VolumeHandle FileVolumeOps::OpenVolume(char letter) {
  FileVolume* volume = Find(letter);
  if (volume == nullptr || volume->refuseOpen) return kInvalidHandle;
  const int fd = ::open(volume->path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kInvalidHandle;
  open_[fd] = OpenVolumeState{Upper(letter)};
  ++openVolumes;
  return fd;
}

bool FileVolumeOps::VolumeLength(VolumeHandle handle, std::int64_t& length) {
  OpenVolumeState* state = State(handle);
  if (state == nullptr) return false;
  FileVolume& volume = volumes_.at(state->letter);
  if (volume.lengthFails) return false;
  if (volume.reportedLength) {
    length = *volume.reportedLength;
    return true;
  }
  struct stat st {};
  if (::fstat(handle, &st) != 0) return false;
  length = st.st_size;
  return true;
}

bool FileVolumeOps::LockVolume(VolumeHandle handle) {
  ++lockRequests;
  OpenVolumeState* state = State(handle);
  if (state == nullptr) return false;
  FileVolume& volume = volumes_.at(state->letter);
  if (volume.refuseLock != 0) {
    if (volume.refuseLock > 0) --volume.refuseLock;
    return false;
  }
  if (!state->locked) ++locksHeld;
  state->locked = true;
  return true;
}

void FileVolumeOps::UnlockVolume(VolumeHandle handle) {
  ++unlockRequests;
  OpenVolumeState* state = State(handle);
  if (state != nullptr && state->locked) {
    state->locked = false;
    --locksHeld;
  }
}

std::uint32_t FileVolumeOps::ReadVolume(VolumeHandle handle, void* buffer, std::uint32_t size) {
  OpenVolumeState* state = State(handle);
  if (state == nullptr) return 0;
  FileVolume& volume = volumes_.at(state->letter);
  if (volume.throwReadAt && state->position >= *volume.throwReadAt)
    throw std::runtime_error("medium removed");
  if (volume.failReadAt && state->position >= *volume.failReadAt && volume.failReads != 0) {
    if (volume.failReads > 0) --volume.failReads;
    return 0;
  }
  std::int64_t want = size;
  if (volume.shortReadAt && state->position < *volume.shortReadAt &&
      state->position + want > *volume.shortReadAt)
    want = *volume.shortReadAt - state->position;
  if (volume.failReadAt && volume.failReads != 0 && state->position + want > *volume.failReadAt)
    want = *volume.failReadAt - state->position;
  ssize_t n;
  do {
    n = ::pread(handle, buffer, static_cast<std::size_t>(want), state->position);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return 0;
  state->position += n;
  bytesReadTotal += n;
  return static_cast<std::uint32_t>(n);
}

void FileVolumeOps::CloseVolume(VolumeHandle handle) {
  OpenVolumeState* state = State(handle);
  if (state == nullptr) return;
  if (state->locked) --locksHeld;  // closing the handle drops its lock
  open_.erase(handle);
  ::close(handle);
  --openVolumes;
}

bool FileVolumeOps::ProbeFileSystem(const std::string& rootPath, VolumeInformation& info) {
  FileVolume* volume = rootPath.empty() ? nullptr : Find(rootPath[0]);
  if (volume == nullptr || !volume->hasInformation) return false;
  info.label = volume->label;
  info.fileSystem = volume->fileSystem;
  info.serial = volume->serial;
  return true;
}

bool FileVolumeOps::FreeSpaceOf(const std::string& rootPath, DiskFreeSpace& space) {
  FileVolume* volume = rootPath.empty() ? nullptr : Find(rootPath[0]);
  if (volume == nullptr || !volume->totalFreeBytes) return false;
  space.totalFreeBytes = *volume->totalFreeBytes;
  space.freeBytesAvailable = *volume->totalFreeBytes;
  space.totalBytes = volume->reportedLength.value_or(*volume->totalFreeBytes);
  return true;
}

// Only a folder on a lettered drive has its figures.
bool FileVolumeOps::GetFolderFreeSpace(const std::string& path, DiskFreeSpace& space) {
  return FreeSpaceOf(RootPathOf(DriveLetterOfPath(path)), space);
}

DriveKind FileVolumeOps::KindOf(const std::string& rootPath) {
  FileVolume* volume = rootPath.empty() ? nullptr : Find(rootPath[0]);
  return volume == nullptr ? DriveKind::NoRootDir : volume->driveType;
}

std::string FileVolumeOps::FolderOfRootPath(const std::string& rootPath) {
  FileVolume* volume = rootPath.empty() ? nullptr : Find(rootPath[0]);
  return volume == nullptr ? std::string() : volume->folder;
}

char FileVolumeOps::DriveLetterOfPath(const std::string& path) {
  std::size_t best = 0;
  char letter = path.empty() ? '\0' : path[0];
  for (const auto& [prefix, l] : pathLetters_) {
    if (prefix.size() > best && path.compare(0, prefix.size(), prefix) == 0) {
      best = prefix.size();
      letter = l;
    }
  }
  return letter;
}

ImageHandle FileVolumeOps::CreateImage(const std::string& path, const std::optional<FileIdentity>& replaces) {
  // The files playing volumes hold data like any volume's, so they are
  // refused as targets as the loop devices' files are.
  std::vector<FileIdentity> refused = LoopBackingFiles();
  for (const auto& [letter, volume] : volumes_) {
    FileIdentity identity;
    if (IdentityOfPath(volume.path, identity)) refused.push_back(identity);
  }
  const ImageHandle image = images_.Create(path, refused, replaces);
  if (image != kInvalidImage) {
    imageWritten_[image] = 0;
    Count(image);
  }
  return image;
}

bool FileVolumeOps::AppendImage(ImageHandle image, const void* data, std::uint32_t size) {
  std::int64_t& written = imageWritten_[image];
  if (imageFaults_.failWriteAfter) {
    const std::int64_t room = std::max<std::int64_t>(0, *imageFaults_.failWriteAfter - written);
    if (room < size) {
      // The part that fits reaches the file, as on a real full device, and
      // is cut off again as the real layer does.
      if (room > 0 && images_.Append(image, data, static_cast<std::uint32_t>(room)))
        images_.CutBack(image, static_cast<std::uint32_t>(room));
      errno = imageFaults_.writeErrno;
      return false;
    }
  }
  // A file system that says yes and keeps nothing past its limit.
  if (imageFaults_.keepOnly && written + size > *imageFaults_.keepOnly) {
    const std::int64_t room = std::max<std::int64_t>(0, *imageFaults_.keepOnly - written);
    if (room > 0 && !images_.Append(image, data, static_cast<std::uint32_t>(room))) return false;
    written += size;
    return true;
  }
  if (!images_.Append(image, data, size)) return false;
  written += size;
  return true;
}

bool FileVolumeOps::FlushImage(ImageHandle image, std::int64_t length) {
  ++imageFlushes;
  const bool flushed = images_.Flush(image, length);
  if (imageFaults_.failFlush) errno = EIO;
  return flushed && !imageFaults_.failFlush;
}

bool FileVolumeOps::KeepImage(ImageHandle image, bool beside, std::string& keptPath) {
  bool kept = false;
  keptPath.clear();
  // Asked again after a close that failed: a kept image stays kept, as the
  // real layer holds it for this answer.
  if (!images_.IsHeld(image) && keptPaths_.count(image) != 0) {
    keptPath = keptPaths_[image];
    return true;
  }
  if (imageFaults_.failKeep) {
    // The name cannot be set (the folder went away): a file of no name is
    // lost with its descriptor.
    if (closedImages_.count(image) != 0) images_.Delete(image);
    errno = ENOENT;
  } else {
    kept = images_.Keep(image, beside, keptPath);
    if (kept) keptPaths_[image] = keptPath;
  }
  Count(image);
  return kept;
}

bool FileVolumeOps::CloseImage(ImageHandle image) {
  imageWritten_.erase(image);
  closedImages_.insert(image);
  const bool closed = images_.Close(image);
  Count(image);
  return closed && !imageFaults_.failClose;
}

bool FileVolumeOps::DeleteImage(ImageHandle image) {
  const bool deleted = images_.Delete(image);
  Count(image);
  return deleted;
}

void FileVolumeOps::Count(ImageHandle image) {
  if (images_.IsHeld(image)) {
    heldImages_.insert(image);
  } else {
    heldImages_.erase(image);
    closedImages_.erase(image);
  }
  openImages = static_cast<int>(heldImages_.size());
}

}  // namespace vorkan
