#include "TestVolume.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PartitionTable.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

bool HaveTool(const std::string& tool) { return Run("command -v " + tool + " >/dev/null 2>&1") == 0; }

// A folder of files to put on the file systems that are built from one.
std::string ContentFolder(const std::string& folder) {
  const std::string content = folder + "/content";
  Run("mkdir -p " + Quote(content + "/sub"));
  WriteFile(content + "/data.bin", PatternBytes(3u << 20, 5));
  WriteFile(content + "/sub/notes.txt", "volume made for a copy journey\n");
  return content;
}

bool CanMount(const std::string& type) {
  return Run("grep -qw " + type + " /proc/filesystems") == 0 || Run("modprobe -q " + type + " 2>/dev/null") == 0;
}

}  // namespace

const char* KindName(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::Vfat: return "Vfat";
    case VolumeKind::Ext4: return "Ext4";
    case VolumeKind::Btrfs: return "Btrfs";
    case VolumeKind::Squashfs: return "Squashfs";
    case VolumeKind::Iso9660: return "Iso9660";
    case VolumeKind::BareDisk: return "BareDisk";
    case VolumeKind::Partition: return "Partition";
  }
  return "?";
}

std::unique_ptr<TestVolume> TestVolume::Make(VolumeKind kind, const std::string& folder, std::string& why) {
  std::unique_ptr<TestVolume> v(new TestVolume());
  v->kind_ = kind;
  const std::string image = folder + "/volume.img";
  LoopDevice::Options options;
  auto build = [&why](const std::string& tool, const std::string& command) {
    if (!HaveTool(tool)) {
      why = tool + " is not installed";
      return false;
    }
    const std::string out = RunOutput(command + " 2>&1; echo \"status=$?\"");
    if (out.find("status=0") == std::string::npos) {
      why = tool + " failed: " + out;
      return false;
    }
    return true;
  };
  switch (kind) {
    case VolumeKind::Vfat:
      v->label_ = "VORKANVFAT";
      if (!build("mkfs.vfat", "truncate -s 16M " + Quote(image) + " && mkfs.vfat -n " + v->label_ +
                                  " -i 1A2B3C4D " + Quote(image)))
        return nullptr;
      break;
    case VolumeKind::Ext4:
      v->label_ = "VORKANEXT4";
      // Nothing is left for the kernel to initialise later, so the mounted
      // volume does not change under the copy.
      if (!build("mkfs.ext4", "truncate -s 24M " + Quote(image) + " && mkfs.ext4 -q -F -L " + v->label_ +
                                  " -E lazy_itable_init=0,lazy_journal_init=0 -d " +
                                  Quote(ContentFolder(folder)) + " " + Quote(image)))
        return nullptr;
      break;
    case VolumeKind::Btrfs:
      v->label_ = "VORKANBTRFS";
      if (!build("mkfs.btrfs", "truncate -s 128M " + Quote(image) + " && mkfs.btrfs -q -f -L " + v->label_ +
                                   " --rootdir " + Quote(ContentFolder(folder)) + " " + Quote(image)))
        return nullptr;
      break;
    case VolumeKind::Squashfs:
      options.readOnly = true;
      if (!build("mksquashfs", "mksquashfs " + Quote(ContentFolder(folder)) + " " + Quote(image) +
                                   " -quiet -noappend -no-progress"))
        return nullptr;
      break;
    case VolumeKind::Iso9660:
      options.readOnly = true;
      v->label_ = "VORKANISO";
      if (!build("xorriso", "xorriso -as mkisofs -quiet -V " + v->label_ + " -o " + Quote(image) + " " +
                                Quote(ContentFolder(folder))))
        return nullptr;
      break;
    case VolumeKind::BareDisk:
      // No file system at all, and a last block shorter than the copy's.
      WriteFile(image, PatternBytes((8u << 20) + 3 * 512, 9));
      break;
    case VolumeKind::Partition:
      options.partitioned = true;
      v->label_ = "VORKANPART";
      if (Run("truncate -s 32M " + Quote(image)) != 0 ||
          !WritePartitionTable(image, {{2048, 12288}, {14336, 40960}})) {
        why = "cannot write the partitioned image";
        return nullptr;
      }
      break;
  }
  v->loop_ = std::make_unique<LoopDevice>(image, options);
  if (!v->loop_->Ok()) {
    why = "losetup failed for " + image;
    return nullptr;
  }
  v->name_ = v->loop_->Name();
  if (kind == VolumeKind::Partition) {
    v->name_ = v->loop_->PartitionName(2);
    if (v->name_.empty()) {
      why = "the kernel shows no partitions of " + v->loop_->Device();
      return nullptr;
    }
    // The first partition keeps a different pattern, so a copy of the whole
    // disk or of the wrong partition cannot pass for the second one.
    if (!build("mkfs.ext4", "mkfs.ext4 -q -F -L " + v->label_ + " -E lazy_itable_init=0,lazy_journal_init=0 -d " +
                                Quote(ContentFolder(folder)) + " " + Quote(v->Device())) ||
        Run("dd if=/dev/urandom of=/dev/" + v->loop_->PartitionName(1) + " bs=1M count=6 status=none") != 0)
      return nullptr;
  }
  return v;
}

bool TestVolume::Mount(const std::string& folder, std::string& why) {
  const char* type = nullptr;
  switch (kind_) {
    case VolumeKind::Vfat: type = "vfat"; break;
    case VolumeKind::Ext4:
    case VolumeKind::Partition: type = "ext4"; break;
    case VolumeKind::Btrfs: type = "btrfs"; break;
    case VolumeKind::Squashfs: type = "squashfs"; break;
    case VolumeKind::Iso9660: type = "iso9660"; break;
    case VolumeKind::BareDisk: why = "a bare disk image has no file system to mount"; return false;
  }
  if (!CanMount(type)) {
    why = std::string("this kernel cannot mount ") + type;
    return false;
  }
  Run("mkdir -p " + Quote(folder));
  const bool readOnly = kind_ == VolumeKind::Squashfs || kind_ == VolumeKind::Iso9660;
  if (!loop_->Mount(folder, readOnly ? "ro" : "", Device())) {
    why = "mount of " + Device() + " failed";
    return false;
  }
  // Whatever the mount wrote reaches the device before anything is compared.
  Run("sync");
  mounted_ = true;
  return true;
}

std::string Sha256(const std::string& path) {
  const std::string out = RunOutput("sha256sum " + Quote(path) + " 2>/dev/null");
  const auto space = out.find(' ');
  return space == 64 ? out.substr(0, 64) : std::string();
}

std::string Sha256OfPrefix(const std::string& path, std::int64_t bytes) {
  const std::string out =
      RunOutput("head -c " + std::to_string(bytes) + " " + Quote(path) + " 2>/dev/null | sha256sum");
  const auto space = out.find(' ');
  return space == 64 ? out.substr(0, 64) : std::string();
}

std::int64_t SizeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  if (!S_ISBLK(st.st_mode)) return st.st_size;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::uint64_t size = 0;
  const bool ok = ::ioctl(fd, BLKGETSIZE64, &size) == 0;
  ::close(fd);
  return ok ? static_cast<std::int64_t>(size) : -1;
}

}  // namespace vorkan::test
