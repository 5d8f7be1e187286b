// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestVolume.h"

#include <sys/mount.h>

#include "Command.h"
#include "Files.h"
#include "PartitionTable.h"

namespace vorkan::test {
namespace {

// A folder of files to put on the file systems that are built from one.
std::string ContentFolder(const std::string& folder) {
  const std::string content = folder + "/content";
  Run("mkdir -p " + Quote(content + "/sub"));
  WriteFile(content + "/data.bin", PatternBytes(3u << 20, 5));
  WriteFile(content + "/sub/notes.txt", "volume made for a copy journey\n");
  return content;
}

bool CanMount(const std::string& type) {
  return Run("grep -qw " + type + " /proc/filesystems").status == 0 || Run("modprobe -q " + type).status == 0;
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

std::unique_ptr<TestVolume> TestVolume::Make(VolumeKind kind, const std::string& folder, std::string& why,
                                             const VolumeShape& shape) {
  std::unique_ptr<TestVolume> v(new TestVolume());
  v->kind_ = kind;
  Run("mkdir -p " + Quote(folder));
  const std::string image = folder + "/volume.img";
  auto labelOr = [&shape](const char* label) {
    return shape.label.empty() ? std::string(label) : shape.label;
  };
  auto sized = [&shape, &image](const char* size) {
    return "truncate -s " + (shape.size.empty() ? std::string(size) : shape.size) + " " + Quote(image) +
           " && ";
  };
  auto content = [&shape, &folder](const char* option) {
    return shape.files ? std::string(option) + Quote(ContentFolder(folder)) + " " : std::string();
  };
  auto build = [&why](const std::string& tool, const std::string& command) {
    if (!HaveTool(tool)) {
      why = tool + " is not installed";
      return false;
    }
    const CommandResult r = Run(command);
    if (r.status != 0) why = tool + " failed: " + r.output;
    return r.status == 0;
  };
  // Nothing is left for the kernel to initialise later, so a mounted ext4
  // volume does not change under the copy.
  const std::string ext4 = "mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 -L ";
  LoopDevice::Options options;
  switch (kind) {
    case VolumeKind::Vfat:
      v->label_ = labelOr("VORKANVFAT");
      if (!build("mkfs.vfat", sized("16M") + "mkfs.vfat -n " + v->label_ + " -i 1A2B3C4D " + Quote(image)))
        return nullptr;
      break;
    case VolumeKind::Ext4:
      v->label_ = labelOr("VORKANEXT4");
      if (!build("mkfs.ext4", sized("24M") + ext4 + v->label_ + " " + content("-d ") + Quote(image)))
        return nullptr;
      break;
    case VolumeKind::Btrfs:
      v->label_ = labelOr("VORKANBTRFS");
      if (!build("mkfs.btrfs", sized("128M") + "mkfs.btrfs -q -f -L " + v->label_ + " " +
                                   content("--rootdir ") + Quote(image)))
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
      v->label_ = labelOr("VORKANISO");
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
      v->label_ = labelOr("VORKANPART");
      if (Run("truncate -s 32M " + Quote(image)).status != 0 ||
          !WritePartitionTable(image, {{2048, 12288}, {14336, 40960}})) {
        why = "cannot write the partitioned image";
        return nullptr;
      }
      break;
  }
  v->loop_ = std::make_unique<LoopDevice>(image, options);
  if (!v->loop_->Ok()) {
    why = "losetup failed for " + image + ": " + v->loop_->Error();
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
    if (!build("mkfs.ext4", ext4 + v->label_ + " " + content("-d ") + Quote(v->Device())) ||
        Run("dd if=/dev/urandom of=/dev/" + v->loop_->PartitionName(1) + " bs=1M count=6 status=none")
                .status != 0)
      return nullptr;
  }
  return v;
}

bool TestVolume::Mount(const std::string& folder, std::string& why, bool readOnly) {
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
  readOnly = readOnly || kind_ == VolumeKind::Squashfs || kind_ == VolumeKind::Iso9660;
  auto mount = std::make_unique<MountedVolume>(Device(), folder, type, readOnly ? MS_RDONLY : 0);
  if (!mount->Ok()) {
    why = mount->Error();
    return false;
  }
  mount_ = std::move(mount);
  // Whatever the mount wrote reaches the device before anything is compared.
  Run("sync");
  return true;
}

}  // namespace vorkan::test
