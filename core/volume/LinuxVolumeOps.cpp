// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/LinuxVolumeOps.h"

#include <algorithm>
#include <blkid/blkid.h>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <mutex>
#include <system_error>
#include <thread>

#include "HexDigit.h"
#include "TextDecoding.h"
#include "volume/ImageFile.h"

// The generic UUID query of mounted file systems (Linux 6.8); older kernel
// headers do not have it, older kernels answer ENOTTY.
#ifndef FS_IOC_GETFSUUID
struct fsuuid2 {
  __u8 len;
  __u8 uuid[16];
};
#define FS_IOC_GETFSUUID _IOR(0x15, 0, struct fsuuid2)
#endif

namespace vorkan {
namespace {

// As often as the image is written behind (ImageWriteBehind).
constexpr std::int64_t kDropBehindBytes = ImageWriteBehind;

std::int64_t ClampedProduct(unsigned long long count, unsigned long long unit) {
  if (unit != 0 && count > static_cast<unsigned long long>(INT64_MAX) / unit) return INT64_MAX;
  return static_cast<std::int64_t>(count * unit);
}

std::int64_t ClampedLength(std::uint64_t bytes) {
  return bytes > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(bytes);
}

bool SpaceOfFolder(const std::string& folder, DiskFreeSpace& space) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return false;
  space.totalFreeBytes = ClampedProduct(st.f_bfree, st.f_frsize);
  space.freeBytesAvailable = ClampedProduct(st.f_bavail, st.f_frsize);
  space.totalBytes = ClampedProduct(st.f_blocks, st.f_frsize);
  return true;
}

// The device number of a descriptor's block device; 0 when it is none.
dev_t BlockDeviceOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode) ? st.st_rdev : 0;
}

bool ProbeValue(blkid_probe probe, const char* name, std::string& value) {
  const char* data = nullptr;
  std::size_t length = 0;
  if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || data == nullptr) return false;
  value.assign(data, strnlen(data, length));
  return true;
}

enum class ProbeResult { kFound, kNothing, kUnreadable };

ProbeResult ProbeDevice(const std::string& device, std::string& label, std::string& type, std::string& uuid) {
  blkid_probe probe = blkid_new_probe_from_filename(device.c_str());
  if (probe == nullptr) return ProbeResult::kUnreadable;
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
  const int rc = blkid_do_safeprobe(probe);
  ProbeResult result = ProbeResult::kNothing;
  if (rc == 0 && ProbeValue(probe, "TYPE", type)) {
    ProbeValue(probe, "LABEL", label);
    ProbeValue(probe, "UUID", uuid);
    result = ProbeResult::kFound;
  } else if (rc == -1) {
    result = ProbeResult::kUnreadable;
  }
  blkid_free_probe(probe);
  return result;
}

using Clock = std::chrono::steady_clock;

// The name of the /dev/disk/by-* link that points at the device, decoded.
bool FindLinkName(const std::string& dir, dev_t device, std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  bool found = false;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    struct stat st {};
    if (::stat((dir + "/" + e->d_name).c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device) {
      name = DecodeUdevName(e->d_name);
      found = true;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

// Whatever the thread touches is here, held by it as well as by the
// volume operations, so that a probe that outlives them (a device that
// never answers) touches nothing freed.
struct LinuxVolumeOps::Probe {
  unsigned major = 0, minor = 0;  // the device probed, should its node be reused
  bool taken = false;             // its answer was given out (the caller's thread only)
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  ProbeResult result = ProbeResult::kUnreadable;
  std::string label, type, uuid;

  // Until `deadline` at most; whether it has answered.
  bool WaitUntil(Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex);
    return answered.wait_until(lock, deadline, [this] { return done; });
  }
  void Run(const std::string& device) {
    std::string l, t, u;
    ProbeResult r = ProbeResult::kUnreadable;
    try {
      r = ProbeDevice(device, l, t, u);
    } catch (...) {
      r = ProbeResult::kUnreadable;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    result = r;
    label.swap(l);
    type.swap(t);
    uuid.swap(u);
    done = true;
    answered.notify_all();
  }
};

std::uint32_t SerialFromUuid(std::string_view uuid, std::string_view fsType) {
  std::string digits;
  for (char c : uuid)
    if (HexDigitValue(c) >= 0) digits.push_back(c);
  if (digits.empty()) return 0;
  // NTFS: a 64-bit serial written as sixteen digits; its low half is the
  // number the system shows. FAT and exFAT: the eight digits around the dash.
  if ((fsType == "ntfs" || fsType == "ntfs3") && digits.size() > 8)
    digits = digits.substr(digits.size() - 8);
  else if (digits.size() > 8)
    digits.resize(8);
  std::uint32_t serial = 0;
  for (char c : digits) serial = serial * 16 + static_cast<std::uint32_t>(HexDigitValue(c));
  return serial;
}

std::string VolumeLabelText(std::string_view raw, std::string_view fsType) {
  if (IsValidUtf8(raw)) return std::string(raw);
  if (fsType == "vfat" || fsType == "msdos") return Cp866ToUtf8(raw);
  return ToValidUtf8(raw);
}

std::string DecodeUdevName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && HexDigitValue(name[i + 2]) >= 0 &&
        HexDigitValue(name[i + 3]) >= 0) {
      out.push_back(static_cast<char>(HexDigitValue(name[i + 2]) * 16 + HexDigitValue(name[i + 3])));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

LinuxVolumeOps::LinuxVolumeOps() : LinuxVolumeOps(DriveLetterSources{}, "/dev/disk") {}

LinuxVolumeOps::LinuxVolumeOps(DriveLetterSources sources, std::string diskByDir)
    : map_(std::move(sources)), diskByDir_(std::move(diskByDir)) {}

LinuxVolumeOps::~LinuxVolumeOps() {
  for (const auto& lock : locks_) ::close(lock.second);
  for (const ExtraSource& extra : extras_)
    if (extra.file >= 0) ::close(extra.file);
}

const DriveLetterMap& LinuxVolumeOps::Map() {
  if (!map_.IsBuilt()) map_.Rebuild();
  return map_;
}

void LinuxVolumeOps::RefreshDrives() {
  map_.Rebuild();
  std::vector<std::shared_ptr<Probe>> probes;
  std::map<std::string, std::shared_ptr<Probe>> kept;
  for (const BlockVolume& volume : map_.Volumes()) {
    if (volume.letter == 0) continue;
    bool started = false;
    probes.push_back(ProbeOf(volume, started));
    kept[volume.devicePath] = probes.back();
  }
  probes_.swap(kept);  // those of devices gone end on their own
  // All at once: a device that answers from its medium is done within the
  // wait however many there are.
  const Clock::time_point deadline = Clock::now() + kProbeWait;
  for (const auto& probe : probes) probe->WaitUntil(deadline);
}

std::shared_ptr<LinuxVolumeOps::Probe> LinuxVolumeOps::ProbeOf(const BlockVolume& volume, bool& started) {
  std::shared_ptr<Probe>& probe = probes_[volume.devicePath];
  started = !probe || probe->taken || probe->major != volume.major || probe->minor != volume.minor;
  if (!started) return probe;  // still running, or its answer not yet given out
  auto fresh = std::make_shared<Probe>();
  fresh->major = volume.major;
  fresh->minor = volume.minor;
  try {
    std::thread([fresh, device = volume.devicePath] { fresh->Run(device); }).detach();
  } catch (const std::system_error&) {
    fresh->Run(volume.devicePath);  // no thread to be had: here, as before
  }
  probe = fresh;
  return probe;
}

std::string LinuxVolumeOps::FolderOfRootPath(const std::string& rootPath) {
  if (rootPath.empty() || ExtraOf(rootPath[0]) != nullptr) return {};
  const BlockVolume* volume = Map().VolumeOfLetter(rootPath[0]);
  return volume == nullptr ? std::string() : volume->mountPoint;
}

std::string LinuxVolumeOps::DeviceOfRootPath(const std::string& rootPath) {
  if (rootPath.empty()) return {};
  if (const ExtraSource* extra = ExtraOf(rootPath[0])) return extra->path;
  const BlockVolume* volume = Map().VolumeOfLetter(rootPath[0]);
  return volume == nullptr ? std::string() : volume->devicePath;
}

const LinuxVolumeOps::ExtraSource* LinuxVolumeOps::ExtraOf(char letter) const {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const ExtraSource& extra : extras_)
    if (extra.letter == upper) return &extra;
  return nullptr;
}

char LinuxVolumeOps::FreeLetter() {
  for (char letter = 'C'; letter <= 'Z'; ++letter)
    if (Map().VolumeOfLetter(letter) == nullptr && ExtraOf(letter) == nullptr) return letter;
  errno = ENOSPC;
  return 0;
}

char LinuxVolumeOps::AddSource(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  if (S_ISBLK(st.st_mode)) return AddBlockSource(path, st.st_rdev);
  if (S_ISDIR(st.st_mode)) {
    // Only the very folder a file system is mounted on stands for a volume.
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return 0;
    const std::string folder = real;
    std::free(real);
    const std::string inside = folder == "/" ? "/." : folder + "/.";
    if (Map().MountPointOfPath(inside) != folder) {
      errno = ENOTBLK;
      return 0;
    }
    const char letter = Map().LetterOfPath(inside);
    if (letter >= 'A' && letter <= 'Z') return letter;
    for (auto m = Map().Mounts().rbegin(); m != Map().Mounts().rend(); ++m) {
      struct stat source {};
      if (m->mountPoint == folder && ::stat(m->source.c_str(), &source) == 0 && S_ISBLK(source.st_mode))
        return AddBlockSource(m->source, source.st_rdev);
    }
    errno = ENOTBLK;  // tmpfs, a network file system: no device to copy
    return 0;
  }
  if (!S_ISREG(st.st_mode)) {
    errno = ENOTBLK;
    return 0;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 0;
  const char letter = FreeLetter();
  if (letter == 0) {
    ::close(fd);
    errno = ENOSPC;
    return 0;
  }
  ExtraSource extra;
  extra.letter = letter;
  extra.path = path;
  extra.file = fd;
  extras_.push_back(std::move(extra));
  return letter;
}

char LinuxVolumeOps::AddBlockSource(const std::string& path, dev_t device) {
  for (const BlockVolume& volume : Map().Volumes())
    if (makedev(volume.major, volume.minor) == device && volume.letter != 0) return volume.letter;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return 0;
  const std::string node = real;
  std::free(real);
  for (const ExtraSource& extra : extras_)
    if (extra.path == node) return extra.letter;
  const char letter = FreeLetter();
  if (letter == 0) return 0;
  ExtraSource extra;
  extra.letter = letter;
  extra.path = node;
  // What sysfs tells of it, as the drive list reads it for a lettered one.
  const std::string sys =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  struct stat st {};
  const bool partition = ::stat((sys + "/partition").c_str(), &st) == 0;
  const auto number = [](const std::string& file) {
    unsigned long long value = 0;
    if (FILE* f = std::fopen(file.c_str(), "re")) {
      if (std::fscanf(f, "%llu", &value) != 1) value = 0;
      std::fclose(f);
    }
    return value;
  };
  const std::string name = node.substr(node.rfind('/') + 1);
  if (name.rfind("sr", 0) == 0)
    extra.kind = DriveKind::CdRom;
  else if (number(partition ? sys + "/../removable" : sys + "/removable") == 1)
    extra.kind = DriveKind::Removable;
  extra.kernelBytes = ClampedProduct(number(sys + "/size"), 512);
  for (const MountEntry& mount : Map().Mounts())
    if (makedev(mount.major, mount.minor) == device) extra.mounted = true;
  extras_.push_back(std::move(extra));
  return letter;
}

VolumeHandle LinuxVolumeOps::OpenVolume(char letter) {
  if (const ExtraSource* extra = ExtraOf(letter)) {
    if (extra->file < 0) return OpenVolumeDevice(extra->path, extra->kernelBytes, extra->mounted);
    // The very file taken, with a read position of its own.
    const std::string self = "/proc/self/fd/" + std::to_string(extra->file);
    return ::open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  }
  const BlockVolume* volume = Map().VolumeOfLetter(letter);
  if (volume == nullptr) return kInvalidHandle;
  return OpenVolumeDevice(volume->devicePath, volume->kernelBytes, !volume->mountPoint.empty());
}

VolumeHandle LinuxVolumeOps::OpenVolumeDevice(const std::string& path, std::int64_t kernelBytes,
                                              bool mounted) {
  VolumeHandle handle = OpenDevicePath(path);
  // Without udisks2 (or where even it may not open the device: a
  // container's device rules) the length still comes from the kernel, which
  // tells anyone.
  if (handle == kInvalidHandle && errno == EACCES && !interactionAllowed_ && kernelBytes > 0)
    handle = LengthOnlyHandle(path, kernelBytes);
  struct stat st {};
  if (handle != kInvalidHandle && !mounted && ::fstat(handle, &st) == 0 && S_ISBLK(st.st_mode))
    dropBehind_[handle] = DropBehind{};
  return handle;
}

VolumeHandle LinuxVolumeOps::OpenDevicePath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno != EACCES && errno != EPERM) return kInvalidHandle;
    if (opener_ != nullptr) {
      const VolumeHandle handle = OpenThroughOpener(path);
      if (handle != kInvalidHandle) return handle;
    }
    errno = EACCES;  // refused, whoever refused it
    return kInvalidHandle;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) {
    ::close(fd);
    return kInvalidHandle;
  }
  return fd;
}

VolumeHandle LinuxVolumeOps::OpenThroughOpener(const std::string& path) {
  if (interactionAllowed_) {
    const int fd = opener_->Open(path, 0, true);
    if (fd < 0) return kInvalidHandle;
    if (BlockDeviceOf(fd) == 0) {
      ::close(fd);
      return kInvalidHandle;
    }
    brokered_[fd] = path;
    return fd;
  }
  // Only the length is wanted here (the drive list, the room check before a
  // copy), and asking for a password for it would be out of place.
  BlockProperties properties;
  if (!opener_->Properties(path, properties)) return kInvalidHandle;
  return LengthOnlyHandle(path, ClampedLength(properties.size));
}

// A node opened as a path holds nothing open, and reads from it fail.
VolumeHandle LinuxVolumeOps::LengthOnlyHandle(const std::string& path, std::int64_t length) {
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return kInvalidHandle;
  lengthOnly_[fd] = length;
  return fd;
}

bool LinuxVolumeOps::VolumeLength(VolumeHandle handle, std::int64_t& length) {
  if (handle < 0) return false;
  if (const auto it = lengthOnly_.find(handle); it != lengthOnly_.end()) {
    length = it->second;
    return true;
  }
  struct stat st {};
  if (::fstat(handle, &st) != 0) return false;
  if (S_ISREG(st.st_mode)) {
    length = st.st_size;
    return true;
  }
  std::uint64_t bytes = 0;
  if (!S_ISBLK(st.st_mode) || ::ioctl(handle, BLKGETSIZE64, &bytes) != 0) return false;
  length = ClampedLength(bytes);
  return true;
}

bool LinuxVolumeOps::LockVolume(VolumeHandle handle) {
  if (handle < 0) return false;
  for (const auto& lock : locks_)
    if (lock.first == handle) return true;
  if (lengthOnly_.count(handle) != 0) return false;
  if (const auto it = brokered_.find(handle); it != brokered_.end()) {
    // Through the opener once more, by name: the lock is held only when it
    // is the very device the handle reads.
    const int fd = opener_ == nullptr ? -1 : opener_->Open(it->second, O_EXCL, interactionAllowed_);
    if (fd < 0) return false;  // busy, or not authorized
    if (BlockDeviceOf(fd) != BlockDeviceOf(handle)) {
      ::close(fd);
      return false;
    }
    locks_.emplace_back(handle, fd);
    return true;
  }
  // Reopening through the descriptor's own link opens exactly the device the
  // handle reads, even if the node was replaced since.
  const std::string self = "/proc/self/fd/" + std::to_string(handle);
  const int fd = ::open(self.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;  // EBUSY: mounted, or held exclusively elsewhere
  locks_.emplace_back(handle, fd);
  return true;
}

void LinuxVolumeOps::UnlockVolume(VolumeHandle handle) {
  const auto it =
      std::find_if(locks_.begin(), locks_.end(), [handle](const auto& lock) { return lock.first == handle; });
  if (it == locks_.end()) return;
  ::close(it->second);
  locks_.erase(it);
}

std::uint32_t LinuxVolumeOps::ReadVolume(VolumeHandle handle, void* buffer, std::uint32_t size) {
  if (handle < 0 || buffer == nullptr) return 0;
  async_.Drop(handle);  // a read ahead; the plain read goes on where it stands
  ssize_t n;
  do {
    n = ::read(handle, buffer, size);
  } while (n < 0 && errno == EINTR);
  return AfterRead(handle, n);
}

int LinuxVolumeOps::BeginRead(VolumeHandle handle, void* buffer, std::uint32_t size) {
  // A handle that reads nothing, or a read still out, goes the plain way.
  if (handle < 0 || buffer == nullptr || lengthOnly_.count(handle) != 0 || async_.Pending()) return -1;
  if (!async_.Start(handle, buffer, size)) return -1;
  asyncHandle_ = handle;
  return async_.WaitDescriptor();
}

std::uint32_t LinuxVolumeOps::EndRead(VolumeHandle handle, void* buffer, std::uint32_t size) {
  if (!async_.Pending() || handle != asyncHandle_) return ReadVolume(handle, buffer, size);
  asyncHandle_ = kInvalidHandle;
  return AfterRead(handle, async_.Finish());
}

void LinuxVolumeOps::AbandonRead(VolumeHandle handle, void* buffer) {
  if (!async_.Pending() || handle != asyncHandle_) {
    std::free(buffer);
    return;
  }
  asyncHandle_ = kInvalidHandle;
  async_.AbandonPending(buffer);
}

std::uint32_t LinuxVolumeOps::AfterRead(VolumeHandle handle, ssize_t n) {
  if (n <= 0) return 0;
  const auto it = dropBehind_.find(handle);
  if (it != dropBehind_.end()) {
    DropBehind& drop = it->second;
    drop.position += n;
    if (drop.position - drop.dropped >= kDropBehindBytes) {
      ::posix_fadvise(handle, drop.dropped, drop.position - drop.dropped, POSIX_FADV_DONTNEED);
      drop.dropped = drop.position;
    }
  }
  return static_cast<std::uint32_t>(n);
}

void LinuxVolumeOps::CloseVolume(VolumeHandle handle) {
  if (handle < 0) return;
  // The kernel is not left writing into a buffer about to go.
  async_.Abandon(handle);
  async_.Drop(handle);
  if (handle == asyncHandle_) asyncHandle_ = kInvalidHandle;
  UnlockVolume(handle);  // the lock goes before the handle it belongs to
  brokered_.erase(handle);
  lengthOnly_.erase(handle);
  const auto it = dropBehind_.find(handle);
  if (it != dropBehind_.end()) {
    // The rest of what was read, and the read-ahead past it; a handle that
    // only asked for the length leaves the cache alone.
    if (it->second.position > 0) ::posix_fadvise(handle, it->second.dropped, 0, POSIX_FADV_DONTNEED);
    dropBehind_.erase(it);
  }
  ::close(handle);
}

bool LinuxVolumeOps::ProbeFileSystem(const std::string& rootPath, VolumeInformation& info) {
  info = VolumeInformation{};
  if (rootPath.empty() || ExtraOf(rootPath[0]) != nullptr) return false;
  const BlockVolume* volume = Map().VolumeOfLetter(rootPath[0]);
  if (volume == nullptr) return false;
  // A probe the refresh (or an earlier query) waited for already is not
  // waited for again: a device that did not answer then counts as one that
  // cannot be read until its answer comes.
  bool started = false;
  const std::shared_ptr<Probe> probe = ProbeOf(*volume, started);
  if (started) probe->WaitUntil(Clock::now() + kProbeWait);
  std::string label, type, uuid;
  ProbeResult result = ProbeResult::kUnreadable;
  {
    const std::lock_guard<std::mutex> lock(probe->mutex);
    if (probe->done) {
      probe->taken = true;
      result = probe->result;
      label = probe->label;
      type = probe->type;
      uuid = probe->uuid;
    }
  }
  switch (result) {
    case ProbeResult::kFound:
      info.label = VolumeLabelText(label, type);
      info.fileSystem = type;
      info.serial = SerialFromUuid(uuid, type);
      return true;
    case ProbeResult::kNothing: return false;
    case ProbeResult::kUnreadable: break;
  }
  // What the opener's service read from the device, where it could.
  BlockProperties properties;
  if (opener_ != nullptr && opener_->Properties(volume->devicePath, properties) &&
      !properties.idType.empty()) {
    info.label = VolumeLabelText(properties.idLabel, properties.idType);
    info.fileSystem = properties.idType;
    info.serial = SerialFromUuid(properties.idUuid, properties.idType);
    return true;
  }
  return QueryWithoutDevice(*volume, info);
}

// When the device itself cannot be read (no access, no medium), what udev's
// links and the mount table tell; a mounted file system also answers for
// its own label and UUID, which needs no access to the device.
bool LinuxVolumeOps::QueryWithoutDevice(const BlockVolume& volume, VolumeInformation& info) {
  const dev_t device = makedev(volume.major, volume.minor);
  std::string label, uuid;
  const bool haveLabel = FindLinkName(diskByDir_ + "/by-label", device, label);
  bool haveUuid = FindLinkName(diskByDir_ + "/by-uuid", device, uuid);
  const std::string& type = volume.mountFsType;
  if (!volume.mountPoint.empty() && (!haveLabel || !haveUuid)) {
    const int dir = ::open(volume.mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      if (!haveLabel) {
        char buffer[FSLABEL_MAX + 1] = {};
        if (::ioctl(dir, FS_IOC_GETFSLABEL, buffer) == 0) label = buffer;
      }
      fsuuid2 raw{};
      if (!haveUuid && ::ioctl(dir, FS_IOC_GETFSUUID, &raw) == 0 && raw.len > 0 &&
          raw.len <= sizeof raw.uuid) {
        static const char digits[] = "0123456789abcdef";
        for (unsigned i = 0; i < raw.len; ++i) {
          uuid.push_back(digits[raw.uuid[i] >> 4]);
          uuid.push_back(digits[raw.uuid[i] & 0xF]);
        }
        haveUuid = true;
      }
      ::close(dir);
    }
  }
  // The type is that of the mount: a FAT label read back from udev's link or
  // the mount is in the OEM code page all the same.
  info.label = VolumeLabelText(label, type);
  info.fileSystem = type;
  info.serial = haveUuid ? SerialFromUuid(uuid, type) : 0;
  return !type.empty();
}

bool LinuxVolumeOps::FreeSpaceOf(const std::string& rootPath, DiskFreeSpace& space) {
  if (rootPath.empty() || ExtraOf(rootPath[0]) != nullptr) return false;
  const BlockVolume* volume = Map().VolumeOfLetter(rootPath[0]);
  return volume != nullptr && !volume->mountPoint.empty() && SpaceOfFolder(volume->mountPoint, space);
}

DriveKind LinuxVolumeOps::KindOf(const std::string& rootPath) {
  if (rootPath.empty()) return DriveKind::NoRootDir;
  if (const ExtraSource* extra = ExtraOf(rootPath[0])) return extra->kind;
  return Map().KindOfLetter(rootPath[0]);
}

char LinuxVolumeOps::DriveLetterOfPath(const std::string& path) {
  const char letter = Map().LetterOfPath(path);
  // A folder on a partition of a whole disk taken as a source lies on that
  // disk: an image there would be written into what is being copied.
  const BlockVolume* volume = extras_.empty() ? nullptr : Map().VolumeOfLetter(letter);
  if (volume == nullptr) return letter;
  char* parent = ::realpath(("/sys/class/block/" + volume->name + "/..").c_str(), nullptr);
  if (parent == nullptr) return letter;
  const std::string disk = parent;
  std::free(parent);
  for (const ExtraSource& extra : extras_)
    if (extra.file < 0 && extra.path == "/dev/" + disk.substr(disk.rfind('/') + 1)) return extra.letter;
  return letter;
}

std::string LinuxVolumeOps::DriveNameOfPath(const std::string& path) {
  const char letter = DriveLetterOfPath(path);
  if (letter >= 'A' && letter <= 'Z') return std::string(1, letter);
  const std::string mountPoint = Map().MountPointOfPath(path);
  return mountPoint.empty() ? VolumeOps::DriveNameOfPath(path) : mountPoint;
}

bool LinuxVolumeOps::GetFolderFreeSpace(const std::string& path, DiskFreeSpace& space) {
  // The folder, or its nearest parent that exists: the file system that
  // will hold it.
  std::string folder = path;
  for (;;) {
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos)
      folder = ".";
    else
      folder.resize(slash == 0 ? 1 : slash);
    if (SpaceOfFolder(folder, space)) return true;
    if (folder == "/" || folder == "." || (errno != ENOENT && errno != ENOTDIR)) return false;
  }
}

// Every attached loop device's file is refused, the source's among them: the
// source device itself is a block device, which is never a target.
ImageHandle LinuxVolumeOps::CreateImage(const std::string& path,
                                        const std::optional<FileIdentity>& replaces) {
  return images_.Create(path, LoopBackingFiles(), replaces);
}

bool LinuxVolumeOps::AppendImage(ImageHandle image, const void* data, std::uint32_t size) {
  return images_.Append(image, data, size);
}

bool LinuxVolumeOps::FlushImage(ImageHandle image, std::int64_t length) {
  return images_.Flush(image, length);
}

bool LinuxVolumeOps::KeepImage(ImageHandle image, bool beside, std::string& keptPath) {
  return images_.Keep(image, beside, keptPath);
}

bool LinuxVolumeOps::CloseImage(ImageHandle image) { return images_.Close(image); }

bool LinuxVolumeOps::DeleteImage(ImageHandle image) { return images_.Delete(image); }

}  // namespace vorkan
