// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/DriveLetterMap.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "volume/VolumeOps.h"

namespace vorkan {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// "sr0", "fd12": the prefix followed by one or more digits and nothing else.
bool IsPrefixAndNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  return std::all_of(name.begin() + prefix.size(), name.end(), IsDigit);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The first line of a small sysfs attribute, without its newline.
bool ReadAttribute(const std::string& path, std::string& value) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[256];
  ssize_t n;
  do {
    n = ::read(fd, buffer, sizeof buffer - 1);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n < 0) return false;
  value.assign(buffer, static_cast<std::size_t>(n));
  const std::size_t newline = value.find('\n');
  if (newline != std::string::npos) value.resize(newline);
  return true;
}

bool ReadNumber(const std::string& path, unsigned long long& number) {
  std::string text;
  if (!ReadAttribute(path, text) || text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  number = std::strtoull(text.c_str(), &end, 10);
  return errno == 0 && end != text.c_str() && *end == '\0';
}

bool ReadDevNumbers(const std::string& path, unsigned& major, unsigned& minor) {
  std::string text;
  if (!ReadAttribute(path, text)) return false;
  char* end = nullptr;
  const unsigned long ma = std::strtoul(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != ':') return false;
  const char* rest = end + 1;
  const unsigned long mi = std::strtoul(rest, &end, 10);
  if (end == rest || *end != '\0') return false;
  major = static_cast<unsigned>(ma);
  minor = static_cast<unsigned>(mi);
  return true;
}

std::vector<std::string> ListEntries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return names;
}

// The folder as an absolute path without links, "." or "..", to compare with
// mount points. A tail that does not exist yet is kept as written and joined
// to the real path of the deepest folder that does, which `existing` gets.
std::string ResolveFolder(const std::string& folder, std::string& existing) {
  std::string current = folder;
  std::string tail;
  for (;;) {
    if (char* real = ::realpath(current.c_str(), nullptr)) {
      existing = real;
      std::free(real);
      return existing == "/" && !tail.empty() ? tail : existing + tail;
    }
    const std::size_t slash = current.find_last_of('/');
    if (slash == std::string::npos) {
      if (current == ".") return {};
      tail = "/" + current + tail;
      current = ".";
    } else if (current == "/") {
      return {};
    } else {
      tail = current.substr(slash) + tail;
      current = slash == 0 ? "/" : current.substr(0, slash);
    }
  }
}

// A whole disk has a subfolder per partition, each with a "partition" file.
bool HasPartitions(const std::string& diskDir) {
  for (const std::string& child : ListEntries(diskDir))
    if (Exists(diskDir + "/" + child + "/partition")) return true;
  return false;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ie = i;
      std::size_t je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      // Compare the runs as numbers of any length: leading zeros aside, the
      // longer run is the larger one.
      std::size_t is = i;
      std::size_t js = j;
      while (is + 1 < ie && a[is] == '0') ++is;
      while (js + 1 < je && b[js] == '0') ++js;
      if (ie - is != je - js) return ie - is < je - js;
      const int c = a.substr(is, ie - is).compare(b.substr(js, je - js));
      if (c != 0) return c < 0;
      // Equal values: fewer leading zeros first, so the order stays strict.
      if (ie - i != je - j) return ie - i < je - j;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<BlockVolume> ScanBlockVolumes(const std::string& sysBlockDir, const std::string& devDir) {
  std::vector<BlockVolume> volumes;
  for (const std::string& name : ListEntries(sysBlockDir)) {
    if (EndsWith(name, "boot0") || EndsWith(name, "boot1") || EndsWith(name, "rpmb")) continue;
    const std::string dir = sysBlockDir + "/" + name;
    BlockVolume v;
    if (!ReadDevNumbers(dir + "/dev", v.major, v.minor)) continue;
    const bool partition = Exists(dir + "/partition");
    unsigned long long sectors = 0;
    const bool sized = ReadNumber(dir + "/size", sectors);

    if (IsPrefixAndNumber(name, "sr")) {
      v.driveType = DriveKind::CdRom;  // with or without a medium
    } else if (IsPrefixAndNumber(name, "fd")) {
      v.driveType = DriveKind::Removable;
    } else {
      if (!partition) {
        if (IsPrefixAndNumber(name, "loop") && !Exists(dir + "/loop/backing_file")) continue;
        if ((IsPrefixAndNumber(name, "ram") || IsPrefixAndNumber(name, "zram")) && (!sized || sectors == 0))
          continue;
        if (HasPartitions(dir)) continue;
      }
      // A partition has no "removable" of its own: its disk's folder, the
      // physical parent of its own, has it.
      unsigned long long removable = 0;
      ReadNumber(partition ? dir + "/../removable" : dir + "/removable", removable);
      if (IsPrefixAndNumber(name, "ram") || IsPrefixAndNumber(name, "zram"))
        v.driveType = DriveKind::RamDisk;
      else if (removable == 1)
        v.driveType = DriveKind::Removable;
      else
        v.driveType = DriveKind::Fixed;
    }
    v.name = name;
    if (sized && sectors <= static_cast<unsigned long long>(INT64_MAX) / 512)
      v.kernelBytes = static_cast<std::int64_t>(sectors * 512);
    // Names with a slash in /dev ("cciss/c0d0") have "!" in sysfs.
    std::string node = name;
    std::replace(node.begin(), node.end(), '!', '/');
    v.devicePath = devDir + "/" + node;
    volumes.push_back(std::move(v));
  }
  std::sort(volumes.begin(), volumes.end(),
            [](const BlockVolume& a, const BlockVolume& b) { return NaturalLess(a.name, b.name); });
  return volumes;
}

DriveLetterMap::DriveLetterMap() : DriveLetterMap(DriveLetterSources{}) {}

DriveLetterMap::DriveLetterMap(DriveLetterSources sources) : sources_(std::move(sources)) {
  byLetter_.fill(-1);
}

void DriveLetterMap::Rebuild() { Rebuild(ReadMountInfo(sources_.mountInfoPath)); }

std::string DriveLetterMap::KernelNameOfSource(const std::string& source) const {
  if (source.empty() || source[0] != '/') return {};
  const std::string prefix = sources_.devDir + "/";
  std::string path = source;
  // "/dev/root", "/dev/mapper/vg-home" and "/dev/disk/by-label/x" are links
  // to the node the kernel names.
  if (char* real = ::realpath(source.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  if (path.compare(0, prefix.size(), prefix) != 0) return {};
  std::string name = path.substr(prefix.size());
  std::replace(name.begin(), name.end(), '/', '!');
  return name;
}

void DriveLetterMap::Rebuild(std::vector<MountEntry> mounts) {
  volumes_ = ScanBlockVolumes(sources_.sysBlockDir, sources_.devDir);
  mounts_ = std::move(mounts);
  byLetter_.fill(-1);
  devLetters_.clear();
  mountLetters_.assign(mounts_.size(), 0);

  // Which volume each mount is on: its st_dev for most file systems, its
  // source for those that report an anonymous device number (btrfs).
  std::vector<int> volumeOfMount(mounts_.size(), -1);
  for (std::size_t m = 0; m < mounts_.size(); ++m) {
    const MountEntry& e = mounts_[m];
    std::string sourceName;
    bool sourceNameKnown = false;
    for (std::size_t v = 0; v < volumes_.size(); ++v) {
      const BlockVolume& vol = volumes_[v];
      bool same = e.major != 0 && e.major == vol.major && e.minor == vol.minor;
      if (!same) {
        if (!sourceNameKnown) {
          sourceName = KernelNameOfSource(e.source);
          sourceNameKnown = true;
        }
        same = !sourceName.empty() && sourceName == vol.name;
      }
      if (same) {
        volumeOfMount[m] = static_cast<int>(v);
        break;
      }
    }
  }
  for (std::size_t m = 0; m < mounts_.size(); ++m) {
    if (volumeOfMount[m] < 0) continue;
    BlockVolume& vol = volumes_[static_cast<std::size_t>(volumeOfMount[m])];
    if (vol.mountPoint.empty()) {
      vol.mountPoint = mounts_[m].mountPoint;
      vol.mountFsType = mounts_[m].fsType;
    }
  }

  // The visible "/" is the last mount at that point.
  const BlockVolume* rootVolume = nullptr;
  for (std::size_t m = mounts_.size(); m-- > 0;) {
    if (mounts_[m].mountPoint != "/") continue;
    if (volumeOfMount[m] >= 0) rootVolume = &volumes_[static_cast<std::size_t>(volumeOfMount[m])];
    break;
  }
  AssignLetters(rootVolume);

  for (const BlockVolume& vol : volumes_)
    if (vol.letter != 0) devLetters_.emplace_back(makedev(vol.major, vol.minor), vol.letter);
  for (std::size_t m = 0; m < mounts_.size(); ++m) {
    if (volumeOfMount[m] < 0) continue;
    const char letter = volumes_[static_cast<std::size_t>(volumeOfMount[m])].letter;
    mountLetters_[m] = letter;
    if (letter != 0) devLetters_.emplace_back(makedev(mounts_[m].major, mounts_[m].minor), letter);
  }
  built_ = true;
}

void DriveLetterMap::AssignLetters(const BlockVolume* rootVolume) {
  auto give = [this](BlockVolume& vol, char letter) {
    vol.letter = letter;
    byLetter_[static_cast<std::size_t>(letter - 'A')] = static_cast<int>(&vol - volumes_.data());
  };
  for (BlockVolume& vol : volumes_) {
    if (vol.name == "fd0")
      give(vol, 'A');
    else if (vol.name == "fd1")
      give(vol, 'B');
  }
  BlockVolume* c = nullptr;
  if (rootVolume != nullptr) {
    c = &volumes_[static_cast<std::size_t>(rootVolume - volumes_.data())];
  } else {
    for (BlockVolume& vol : volumes_)
      if (vol.letter == 0 && vol.driveType == DriveKind::Fixed) {
        c = &vol;
        break;
      }
  }
  if (c != nullptr && c->letter == 0) give(*c, 'C');
  // A and B stay with the floppies; the rest count on from C.
  char next = 'C';
  for (BlockVolume& vol : volumes_) {
    if (vol.letter != 0) continue;
    while (next <= 'Z' && byLetter_[static_cast<std::size_t>(next - 'A')] >= 0) ++next;
    if (next > 'Z') break;
    give(vol, next);
  }
}

const BlockVolume* DriveLetterMap::VolumeOfLetter(char letter) const {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  if (upper < 'A' || upper > 'Z') return nullptr;
  const int index = byLetter_[static_cast<std::size_t>(upper - 'A')];
  return index < 0 ? nullptr : &volumes_[static_cast<std::size_t>(index)];
}

DriveKind DriveLetterMap::KindOfLetter(char letter) const {
  const BlockVolume* vol = VolumeOfLetter(letter);
  return vol == nullptr ? DriveKind::NoRootDir : vol->driveType;
}

char DriveLetterMap::LetterOfDevice(std::string_view kernelName) const {
  for (const BlockVolume& vol : volumes_)
    if (vol.name == kernelName) return vol.letter;
  return 0;
}

std::string FolderOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int DriveLetterMap::MountOfPath(const std::string& path) const {
  // The file itself usually does not exist yet: its folder decides.
  std::string existing;
  const std::string resolved = ResolveFolder(FolderOfPath(path), existing);

  // btrfs gives every subvolume an anonymous st_dev of its own that no mount
  // table shows, so the mount is found by its ID, or by where it is mounted.
  std::uint64_t id = 0;
  if (!existing.empty() && sources_.mountIdOf && sources_.mountIdOf(existing, id)) {
    for (std::size_t m = 0; m < mounts_.size(); ++m)
      if (static_cast<std::uint64_t>(mounts_[m].mountId) == id &&
          IsUnderMountPoint(resolved, mounts_[m].mountPoint))
        return static_cast<int>(m);
  }
  return resolved.empty() ? -1 : MountHoldingPath(mounts_, resolved);
}

char DriveLetterMap::LetterOfPath(const std::string& path) const {
  if (path.empty()) return 0;
  const int mount = MountOfPath(path);
  if (mount >= 0) {
    const char letter = mountLetters_[static_cast<std::size_t>(mount)];
    return letter != 0 ? letter : path[0];
  }

  // A mount table that knows nothing of the place (none could be read).
  struct stat st {};
  if (::stat(FolderOfPath(path).c_str(), &st) == 0) {
    for (const auto& [dev, letter] : devLetters_)
      if (dev == st.st_dev) return letter;
  }
  return path[0];
}

std::string DriveLetterMap::MountPointOfPath(const std::string& path) const {
  const int mount = path.empty() ? -1 : MountOfPath(path);
  return mount < 0 ? std::string() : mounts_[static_cast<std::size_t>(mount)].mountPoint;
}

}  // namespace vorkan
