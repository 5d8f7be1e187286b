// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxVolumeOps and the drive list over real loop volumes, each row checked
// against what blkid, blockdev and statvfs say about the same device.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ByteSize.h"
#include "DriveCatalogue.h"
#include "DriveListModel.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "PartitionTable.h"
#include "TestSupport.h"
#include "volume/LinuxVolumeOps.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

using test::LoopDevice;
using test::MountedVolume;
using test::Quote;
using test::RunAsNobody;
using test::TempDir;
using test::Trimmed;

constexpr const char* kExtUuid = "c0ffee11-2233-4455-6677-8899aabbccdd";
constexpr const char* kXfsUuid = "5eed5eed-0001-4002-8003-000000000004";
constexpr const char* kPrivUuid = "deadbeef-aaaa-4bbb-8ccc-dddddddddddd";

std::string BlkidTag(const std::string& device, const char* tag) {
  return Trimmed(test::Run(std::string("blkid -p -s ") + tag + " -o value " + Quote(device)).output);
}

std::int64_t BlockdevSize(const std::string& device) {
  return std::stoll(Trimmed(test::Run("blockdev --getsize64 " + Quote(device)).output));
}

std::int64_t StatvfsFree(const std::string& dir) {
  struct statvfs st {};
  if (::statvfs(dir.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.f_bfree) * static_cast<std::int64_t>(st.f_frsize);
}

class LoopVolumes : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = test::LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    for (const char* tool : {"losetup", "blkid", "blockdev", "mkfs.vfat", "mkfs.ext4"})
      if (!test::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    OverrideSeparators(",", " ");
  }
  void TearDown() override { OverrideSeparators(std::nullopt, std::nullopt); }

  // An image file of `size` bytes, made with `mkfs` (its last argument the file).
  std::string Image(const std::string& name, std::int64_t size, const std::string& mkfs = "") {
    const std::string path = dir / name;
    EXPECT_EQ(test::Run("truncate -s " + std::to_string(size) + " " + Quote(path)).status, 0);
    if (!mkfs.empty()) {
      const test::CommandResult r = test::Run(mkfs + " " + Quote(path));
      EXPECT_EQ(r.status, 0) << mkfs << ": " << r.output;
    }
    return path;
  }

  // Rebuilds the list and returns the row of the device, or nullptr.
  const DriveRecord* Fill(const std::string& kernelName, char* letterOut = nullptr) {
    FillDriveList(ops, list);
    const char letter = ops.Map().LetterOfDevice(kernelName);
    if (letterOut != nullptr) *letterOut = letter;
    if (letter == 0) return nullptr;
    const int row = list.RowOf(RootPathOf(letter));
    return row < 0 ? nullptr : &list.rows[static_cast<std::size_t>(row)];
  }

  // Every text of the row against the system's own tools.
  void ExpectRowMatchesDevice(const DriveRecord& row, const std::string& device,
                              const std::string& mountPoint, const std::string& serialText) {
    const std::int64_t size = BlockdevSize(device);
    const std::int64_t free = mountPoint.empty() ? 0 : StatvfsFree(mountPoint);
    const std::string type = BlkidTag(device, "TYPE");
    EXPECT_EQ(row.VolumeLabel, BlkidTag(device, "LABEL"));
    EXPECT_EQ(row.MediaType, "Локальный");
    EXPECT_EQ(SizeText(row), FormatByteSize(size));
    EXPECT_EQ(FreeText(row), FormatByteSize(free));
    EXPECT_EQ(SerialText(row), type.empty() ? "" : serialText);
    EXPECT_EQ(row.FileSystemName, type);
    EXPECT_EQ(ExactSizeText(row), ExactSizeText(size));
    EXPECT_EQ(row.UsedSectors, (size - free) / 512);
    EXPECT_EQ(row.FreeSectors, free / 512);
  }

  TempDir dir;
  LinuxVolumeOps ops;
  DriveListModel list;
};

#define ATTACH(loop) \
  if (!(loop).Ok()) GTEST_SKIP() << "losetup failed: " << (loop).Error()

#define ROW_OR_SKIP(row, name, letter)                                  \
  const DriveRecord* row = Fill(name, &letter);                         \
  if (letter == 0) GTEST_SKIP() << "no drive letter left for " << name; \
  ASSERT_NE(row, nullptr) << "no row for " << name

TEST_F(LoopVolumes, UnmountedVfatFloppyIsTheWorkedExample) {
  LoopDevice loop(Image("floppy.img", 1474560, "mkfs.vfat -n VORKANFAT -i 1A2B3C4D"));
  ATTACH(loop);
  char letter = 0;
  ROW_OR_SKIP(row, loop.Name(), letter);
  ASSERT_EQ(BlkidTag(loop.Device(), "UUID"), "1A2B-3C4D");
  ExpectRowMatchesDevice(*row, loop.Device(), "", "1A2B3C4D");
  EXPECT_EQ(row->RootPath, RootPathOf(letter));
  EXPECT_EQ(row->VolumeLabel, "VORKANFAT");
  EXPECT_EQ(row->FileSystemName, "vfat");
  EXPECT_EQ(SizeText(*row), "1,41 Мб");
  EXPECT_EQ(FreeText(*row), "0 б");
  EXPECT_EQ(ExactSizeText(*row), "1 474 560");
  EXPECT_EQ(row->UsedSectors, 0xB40);
  EXPECT_EQ(row->FreeSectors, 0);
  // The image's state icon is its own.
  const int index = list.RowOf(row->RootPath);
  EXPECT_EQ(list.stateImages[static_cast<std::size_t>(index)], index);
  EXPECT_EQ(list.images[static_cast<std::size_t>(index)].rootPath, row->RootPath);

  VolumeDetails details;
  EXPECT_TRUE(GetVolumeDetails(ops, RootPathOf(letter), details));
  EXPECT_EQ(GetFreeBytes(ops, letter), 0);  // not mounted
  EXPECT_EQ(ops.KindOf(RootPathOf(letter)), DriveKind::Fixed);
  EXPECT_EQ(ops.Map().VolumeOfLetter(letter)->devicePath, loop.Device());
}

TEST_F(LoopVolumes, Ext4UnmountedThenMountedOnAFolderWithASpace) {
  LoopDevice loop(Image("ext4.img", 24 << 20,
                        std::string("mkfs.ext4 -q -F -L 'vorkan ext' -U ") + kExtUuid +
                            " -E lazy_itable_init=0,lazy_journal_init=0"));
  ATTACH(loop);
  char letter = 0;
  {
    ROW_OR_SKIP(row, loop.Name(), letter);
    ASSERT_EQ(BlkidTag(loop.Device(), "UUID"), kExtUuid);
    ExpectRowMatchesDevice(*row, loop.Device(), "", "C0FFEE11");
    EXPECT_EQ(row->VolumeLabel, "vorkan ext");
    EXPECT_EQ(FreeText(*row), "0 б");
    EXPECT_EQ(row->UsedSectors, (24 << 20) / 512);
  }
  const std::string mountPoint = dir / "mount point";
  MountedVolume mounted(loop.Device(), mountPoint, "ext4");
  ASSERT_TRUE(mounted.Ok()) << mounted.Error();
  {
    ROW_OR_SKIP(row, loop.Name(), letter);
    ASSERT_EQ(ops.Map().VolumeOfLetter(letter)->mountPoint, mountPoint);
    ExpectRowMatchesDevice(*row, loop.Device(), mountPoint, "C0FFEE11");
    EXPECT_NE(FreeText(*row), "0 б");
    EXPECT_GT(StatvfsFree(mountPoint), 0);
    EXPECT_EQ(GetFreeBytes(ops, letter), StatvfsFree(mountPoint));
    EXPECT_EQ(GetFreeBytes(ops, static_cast<char>(letter - 'A' + 'a')), StatvfsFree(mountPoint));
    // An image path on the volume belongs to its letter.
    EXPECT_EQ(ops.DriveLetterOfPath(mountPoint + "/disk.ima"), letter);
    EXPECT_EQ(ops.DriveLetterOfPath(dir / "beside.ima"), ops.DriveLetterOfPath(dir / "other.ima"));
    EXPECT_NE(ops.DriveLetterOfPath(dir / "beside.ima"), letter);
    DiskFreeSpace space;
    ASSERT_TRUE(ops.FreeSpaceOf(RootPathOf(letter), space));
    struct statvfs st {};
    ASSERT_EQ(::statvfs(mountPoint.c_str(), &st), 0);
    EXPECT_EQ(space.totalBytes, static_cast<std::int64_t>(st.f_blocks * st.f_frsize));
    EXPECT_EQ(space.freeBytesAvailable, static_cast<std::int64_t>(st.f_bavail * st.f_frsize));
    EXPECT_LT(space.freeBytesAvailable, space.totalFreeBytes);  // ext4 reserves blocks for root
  }
}

TEST_F(LoopVolumes, XfsUnmountedThenMounted) {
  if (!test::HaveTool("mkfs.xfs")) GTEST_SKIP() << "mkfs.xfs is not installed";
  LoopDevice loop(
      Image("xfs.img", 320LL << 20, std::string("mkfs.xfs -q -f -L vorkanxfs -m uuid=") + kXfsUuid));
  ATTACH(loop);
  char letter = 0;
  {
    ROW_OR_SKIP(row, loop.Name(), letter);
    ASSERT_EQ(BlkidTag(loop.Device(), "UUID"), kXfsUuid);
    ExpectRowMatchesDevice(*row, loop.Device(), "", "5EED5EED");
    EXPECT_EQ(row->FileSystemName, "xfs");
    EXPECT_EQ(ExactSizeText(*row), "335 544 320");
  }
  const std::string mountPoint = dir / "xfs";
  MountedVolume mounted(loop.Device(), mountPoint, "xfs");
  ASSERT_TRUE(mounted.Ok()) << mounted.Error();
  {
    ROW_OR_SKIP(row, loop.Name(), letter);
    ExpectRowMatchesDevice(*row, loop.Device(), mountPoint, "5EED5EED");
    EXPECT_EQ(GetFreeBytes(ops, letter), StatvfsFree(mountPoint));
    EXPECT_EQ(ops.DriveLetterOfPath(mountPoint + "/disk.ima"), letter);
  }
}

// FAT labels as DOS and Windows write them, in code page 866 ("ДИСК" is
// 84 88 91 8A), both in the boot sector and in the root folder's label entry.
TEST_F(LoopVolumes, FatLabelsInTheOemCodePageShowAsCyrillic) {
  const struct {
    const char* name;
    std::int64_t size;
    const char* mkfs;
    int copies;  // the label's places: boot sector, root folder, FAT32's backup boot sector
  } images[] = {
      {"fat12.img", 1474560, "mkfs.vfat -F 12 -n VKPLACEHOLD -i 1A2B3C4D", 2},
      {"fat32.img", 40 << 20, "mkfs.vfat -F 32 -n VKPLACEHOLD -i 1A2B3C4D", 3},
  };
  for (const auto& fat : images) {
    SCOPED_TRACE(fat.name);
    const std::string image = Image(fat.name, fat.size, fat.mkfs);
    // mkfs.vfat takes no label outside ASCII: write the bytes over its placeholder.
    std::string bytes = test::ReadFile(image);
    const std::string placeholder = "VKPLACEHOLD";
    const std::string label = std::string("\x84\x88\x91\x8A") + std::string(7, ' ');
    int copies = 0;
    for (std::size_t at = bytes.find(placeholder); at != std::string::npos;
         at = bytes.find(placeholder, at)) {
      bytes.replace(at, label.size(), label);
      ++copies;
    }
    ASSERT_EQ(copies, fat.copies);
    test::WriteFile(image, bytes);
    LoopDevice loop(image);
    ATTACH(loop);
    ASSERT_EQ(BlkidTag(loop.Device(), "LABEL"), "\x84\x88\x91\x8A");  // what the volume holds
    char letter = 0;
    ROW_OR_SKIP(row, loop.Name(), letter);
    EXPECT_EQ(row->VolumeLabel, "ДИСК");
    EXPECT_EQ(row->FileSystemName, "vfat");
    EXPECT_EQ(SerialText(*row), "1A2B3C4D");
  }
}

// The drive of an image path is the lettered volume mounted where its folder
// lies: on btrfs, in its top level and in a subvolume alike (each has an
// anonymous st_dev of its own that no mount table shows); elsewhere the
// innermost mount. The mount ID tells what the mount points cannot: a mount
// hidden under another one mounted over its parent holds nothing.
TEST_F(LoopVolumes, ImagePathsBelongToTheVolumeMountedWhereTheirFolderLies) {
  for (const char* tool : {"mkfs.btrfs", "btrfs"})
    if (!test::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  LoopDevice btrfs(Image("btrfs.img", 128 << 20, "mkfs.btrfs -q -f"));
  ATTACH(btrfs);
  LoopDevice ext4(Image("ext4.img", 16 << 20, "mkfs.ext4 -q -F"));
  ATTACH(ext4);
  LoopDevice inner(Image("inner.img", 8 << 20, "mkfs.ext4 -q -F"));
  ATTACH(inner);
  const std::string top = dir / "btrfs";
  MountedVolume btrfsMount(btrfs.Device(), top, "btrfs");
  ASSERT_TRUE(btrfsMount.Ok()) << btrfsMount.Error();
  const test::CommandResult sub = test::Run("btrfs subvolume create " + Quote(top + "/sub"));
  ASSERT_EQ(sub.status, 0) << sub.output;
  for (const std::string& folder : {top + "/sub/deeper", top + "/y"}) ::mkdir(folder.c_str(), 0755);
  ASSERT_EQ(::symlink((top + "/sub").c_str(), (dir / "link").c_str()), 0);
  MountedVolume ext4Mount(ext4.Device(), dir / "ext4", "ext4");
  ASSERT_TRUE(ext4Mount.Ok()) << ext4Mount.Error();
  ::mkdir((dir / "ext4/folder").c_str(), 0755);
  MountedVolume nested(inner.Device(), top + "/sub/nested", "ext4");
  ASSERT_TRUE(nested.Ok()) << nested.Error();
  MountedVolume extBind(dir / "ext4/folder", dir / "bind", "", MS_BIND);
  ASSERT_TRUE(extBind.Ok()) << extBind.Error();
  MountedVolume subBind(top + "/sub", dir / "subbind", "", MS_BIND);
  ASSERT_TRUE(subBind.Ok()) << subBind.Error();
  // ext4 again at "stack", the inner volume at "stack/y", then the btrfs top
  // level over "stack": its own y hides the inner volume.
  MountedVolume stack(ext4.Device(), dir / "stack", "ext4");
  ASSERT_TRUE(stack.Ok()) << stack.Error();
  MountedVolume stackInner(inner.Device(), dir / "stack/y", "ext4");
  ASSERT_TRUE(stackInner.Ok()) << stackInner.Error();
  MountedVolume stackOver(top, dir / "stack", "", MS_BIND);
  ASSERT_TRUE(stackOver.Ok()) << stackOver.Error();

  ops.RefreshDrives();
  const char b = ops.Map().LetterOfDevice(btrfs.Name());
  const char e = ops.Map().LetterOfDevice(ext4.Name());
  const char n = ops.Map().LetterOfDevice(inner.Name());
  if (b == 0 || e == 0 || n == 0) GTEST_SKIP() << "no drive letters left for three volumes";
  const struct {
    std::string path;
    char byMountId, byMountPoint;
  } rows[] = {
      {top + "/disk.ima", b, b},
      {top + "/sub/disk.ima", b, b},
      {top + "/sub/deeper/disk.ima", b, b},
      {top + "/sub/not made yet/disk.ima", b, b},
      {dir / "link/disk.ima", b, b},
      {dir / "subbind/disk.ima", b, b},
      {top + "/sub/nested/disk.ima", n, n},
      {dir / "ext4/disk.ima", e, e},
      {dir / "bind/disk.ima", e, e},
      {dir / "stack/disk.ima", b, b},
      {dir / "stack/y/disk.ima", b, n},
  };
  DriveLetterSources withoutIds;
  withoutIds.mountIdOf = nullptr;
  LinuxVolumeOps byMountPoint(withoutIds, "/dev/disk");
  for (const auto& row : rows) {
    EXPECT_EQ(ops.DriveLetterOfPath(row.path), row.byMountId) << row.path;
    EXPECT_EQ(byMountPoint.DriveLetterOfPath(row.path), row.byMountPoint) << row.path << " by mount point";
  }
  // The free space of each drive is that of its file system.
  EXPECT_GT(GetFreeBytes(ops, b), 0);
  EXPECT_LT(GetFreeBytes(ops, b), 128 << 20);
  EXPECT_EQ(GetFreeBytes(ops, e), StatvfsFree(dir / "ext4"));
  EXPECT_EQ(GetFreeBytes(ops, n), StatvfsFree(top + "/sub/nested"));
}

TEST_F(LoopVolumes, EmptyLabelIsAnEmptyTextOfASuccessfulQuery) {
  LoopDevice loop(Image("nolabel.img", 8 << 20, "mkfs.ext4 -q -F"));
  ATTACH(loop);
  char letter = 0;
  ROW_OR_SKIP(row, loop.Name(), letter);
  EXPECT_EQ(row->VolumeLabel, "");
  EXPECT_EQ(row->FileSystemName, "ext4");
  VolumeDetails details;
  EXPECT_TRUE(GetVolumeDetails(ops, RootPathOf(letter), details));
  EXPECT_EQ(details.label, "");
  EXPECT_EQ(details.serialText.size(), 8u);
}

TEST_F(LoopVolumes, PartitionedImageShowsItsPartitionsNotTheDisk) {
  if (!test::HaveTool("partx")) GTEST_SKIP() << "partx is not installed";
  const std::string image = Image("disk.img", 16 << 20);
  ASSERT_TRUE(test::WritePartitionTable(image, {{2048, 12288}, {14336, 18432}}));
  LoopDevice loop(image, {.partitioned = true});
  ATTACH(loop);
  if (loop.PartitionName(1).empty() || loop.PartitionName(2).empty())
    GTEST_SKIP() << "the kernel shows no partitions of " << loop.Device();
  const std::string part1 = "/dev/" + loop.PartitionName(1), part2 = "/dev/" + loop.PartitionName(2);
  const test::CommandResult mkfs =
      test::Run("mkfs.ext4 -q -F -L part1 -U " + std::string(kExtUuid) + " " + Quote(part1));
  ASSERT_EQ(mkfs.status, 0) << mkfs.output;

  char letter1 = 0;
  ROW_OR_SKIP(row1, loop.PartitionName(1), letter1);
  EXPECT_EQ(ops.Map().LetterOfDevice(loop.Name()), 0);  // the whole disk has no letter
  for (const BlockVolume& v : ops.Map().Volumes()) EXPECT_NE(v.name, loop.Name());
  ExpectRowMatchesDevice(*row1, part1, "", "C0FFEE11");
  EXPECT_EQ(row1->VolumeLabel, "part1");
  EXPECT_EQ(ExactSizeText(*row1), "6 291 456");

  const char letter2 = ops.Map().LetterOfDevice(loop.PartitionName(2));
  if (letter2 == 0) GTEST_SKIP() << "no drive letter left for the second partition";
  EXPECT_GT(letter2, letter1);
  const int index2 = list.RowOf(RootPathOf(letter2));
  ASSERT_GE(index2, 0);
  const DriveRecord& row2 = list.rows[static_cast<std::size_t>(index2)];
  ExpectRowMatchesDevice(row2, part2, "", "");
  EXPECT_EQ(row2.FileSystemName, "");  // nothing written on it
  EXPECT_EQ(SerialText(row2), "");
  EXPECT_EQ(ExactSizeText(row2), "9 437 184");
  VolumeDetails details;
  EXPECT_FALSE(GetVolumeDetails(ops, RootPathOf(letter2), details));
}

std::string Serialize(const DriveRecord& r) {
  const std::string serial = r.Serial ? std::to_string(*r.Serial) : std::string();
  std::string out = r.RootPath;
  for (const std::string& s :
       {r.VolumeLabel, r.MediaType, r.FileSystemName, std::to_string(r.SizeBytes),
        std::to_string(r.FreeBytes), serial, std::to_string(r.UsedSectors), std::to_string(r.FreeSectors)})
    out += "\x1f" + s;
  return out;
}

DriveRecord Deserialize(const std::string& text) {
  std::vector<std::string> fields;
  for (std::size_t pos = 0;;) {
    const std::size_t next = text.find('\x1f', pos);
    fields.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  fields.resize(9);
  const auto number = [](const std::string& field) -> std::int64_t {
    return field.empty() ? 0 : std::stoll(field);
  };
  DriveRecord r;
  r.RootPath = fields[0];
  r.VolumeLabel = fields[1];
  r.MediaType = fields[2];
  r.FileSystemName = fields[3];
  r.SizeBytes = number(fields[4]);
  r.FreeBytes = number(fields[5]);
  if (!fields[6].empty()) r.Serial = static_cast<std::uint32_t>(std::stoul(fields[6]));
  r.UsedSectors = number(fields[7]);
  r.FreeSectors = number(fields[8]);
  return r;
}

TEST_F(LoopVolumes, AVolumeTheUserMayNotReadKeepsWhatTheMountTells) {
  LoopDevice priv(Image("private.img", 16 << 20,
                        std::string("mkfs.ext4 -q -F -L 'vorkan priv' -U ") + kPrivUuid +
                            " -E lazy_itable_init=0,lazy_journal_init=0"));
  ATTACH(priv);
  LoopDevice floppy(Image("floppy.img", 1474560, "mkfs.vfat -n SECRET -i 0BADF00D"));
  ATTACH(floppy);
  const std::string mountPoint = dir / "private mount";
  MountedVolume mounted(priv.Device(), mountPoint, "ext4");
  ASSERT_TRUE(mounted.Ok()) << mounted.Error();
  ::chmod(mountPoint.c_str(), 0755);

  // A /dev/disk of udev's making, with names that differ from the volume's own.
  const std::string diskDir = dir / "disk";
  ::mkdir(diskDir.c_str(), 0755);
  ::mkdir((diskDir + "/by-label").c_str(), 0755);
  ::mkdir((diskDir + "/by-uuid").c_str(), 0755);
  ASSERT_EQ(::symlink(priv.Device().c_str(), (diskDir + "/by-label/udev\\x20name").c_str()), 0);
  ASSERT_EQ(
      ::symlink(priv.Device().c_str(), (diskDir + "/by-uuid/12345678-9abc-4def-8000-000000000000").c_str()),
      0);
  ASSERT_EQ(::symlink(floppy.Device().c_str(), (diskDir + "/by-label/OTHER").c_str()), 0);

  const std::string privName = priv.Name();
  const std::string floppyName = floppy.Name();
  const std::optional<std::string> out = RunAsNobody([&]() -> std::string {
    OverrideSeparators(",", " ");
    const int probe = ::open(("/dev/" + privName).c_str(), O_RDONLY | O_CLOEXEC);
    if (probe >= 0) return "readable";
    LinuxVolumeOps nobodyOps;
    DriveListModel nobodyList;
    FillDriveList(nobodyOps, nobodyList);
    const int descriptors = test::OpenDescriptorCount();
    FillDriveList(nobodyOps, nobodyList);  // the failing probes leave nothing open
    if (test::OpenDescriptorCount() != descriptors) return "leak";
    std::string text;
    for (const std::string& name : {privName, floppyName}) {
      const char letter = nobodyOps.Map().LetterOfDevice(name);
      const int index = letter == 0 ? -1 : nobodyList.RowOf(RootPathOf(letter));
      text += index < 0 ? std::string("none") : Serialize(nobodyList.rows[static_cast<std::size_t>(index)]);
      text += "\x1e";
    }
    // The links udev makes, where it runs, come before what the mount says.
    LinuxVolumeOps udevOps(DriveLetterSources{}, diskDir);
    VolumeInformation info;
    const char letter = udevOps.Map().LetterOfDevice(privName);
    if (letter != 0 && udevOps.ProbeFileSystem(RootPathOf(letter), info))
      text += info.label + "\x1f" + info.fileSystem + "\x1f" + SerialText(info.serial);
    return text;
  });
  if (!out) GTEST_SKIP() << "could not run a child as user 65534";
  if (*out == "readable") GTEST_SKIP() << "user 65534 may read " << priv.Device() << " here";
  ASSERT_NE(*out, "leak") << "a rebuild without access left descriptors open";
  const std::size_t split = out->find('\x1e');
  ASSERT_NE(split, std::string::npos);
  const std::size_t split2 = out->find('\x1e', split + 1);
  ASSERT_NE(split2, std::string::npos);
  const std::string privText = out->substr(0, split);
  const std::string floppyText = out->substr(split + 1, split2 - split - 1);
  EXPECT_EQ(out->substr(split2 + 1),
            "udev name\x1f"
            "ext4\x1f"
            "12345678");
  if (privText == "none" || floppyText == "none") GTEST_SKIP() << "no drive letter left";

  // Mounted, not readable raw: label, file system, serial and free space
  // from the mount; the size the kernel gives anyone, so used and free
  // make a pie.
  const DriveRecord p = Deserialize(privText);
  const std::int64_t free = StatvfsFree(mountPoint);
  const std::int64_t size = 16 << 20;
  EXPECT_EQ(p.VolumeLabel, "vorkan priv");
  EXPECT_EQ(p.MediaType, "Локальный");
  EXPECT_EQ(SizeText(p), "16,0 Мб");
  EXPECT_EQ(FreeText(p), FormatByteSize(free));
  EXPECT_EQ(SerialText(p), "DEADBEEF");
  EXPECT_EQ(p.FileSystemName, "ext4");
  EXPECT_EQ(ExactSizeText(p), "16 777 216");
  EXPECT_EQ(p.UsedSectors, (size - free) / 512);
  EXPECT_EQ(p.FreeSectors, free / 512);

  // Neither mounted nor readable: the drive type and the kernel's size.
  const DriveRecord f = Deserialize(floppyText);
  EXPECT_EQ(f.VolumeLabel, "");
  EXPECT_EQ(f.MediaType, "Локальный");
  EXPECT_EQ(SizeText(f), "1,41 Мб");
  EXPECT_EQ(FreeText(f), "0 б");
  EXPECT_EQ(SerialText(f), "");
  EXPECT_EQ(f.FileSystemName, "");
  EXPECT_EQ(ExactSizeText(f), "1 474 560");
  EXPECT_EQ(f.UsedSectors, 1474560 / 512);
  EXPECT_EQ(f.FreeSectors, 0);
}

TEST_F(LoopVolumes, LockIsRefusedWhileMountedAndExclusiveWhileHeld) {
  LoopDevice loop(Image("lock.img", 8 << 20, "mkfs.ext4 -q -F"));
  ATTACH(loop);
  const char letter = ops.Map().LetterOfDevice(loop.Name());
  if (letter == 0) GTEST_SKIP() << "no drive letter left";
  const int before = test::OpenDescriptorCount();

  const VolumeHandle h = ops.OpenVolume(letter);
  ASSERT_NE(h, kInvalidHandle);
  ASSERT_TRUE(ops.LockVolume(h));
  // While it is held, nobody else gets the device exclusively: not another
  // handle, not a plain exclusive open, not a mount.
  const VolumeHandle other = ops.OpenVolume(letter);
  ASSERT_NE(other, kInvalidHandle);
  EXPECT_FALSE(ops.LockVolume(other));
  const int excl = ::open(loop.Device().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  EXPECT_LT(excl, 0);
  EXPECT_EQ(errno, EBUSY);
  if (excl >= 0) ::close(excl);
  {
    MountedVolume mounted(loop.Device(), dir / "while-locked", "ext4");
    EXPECT_FALSE(mounted.Ok());
  }
  // Reads go on through the locked handle.
  std::vector<char> buffer(CopyBlockSize);
  EXPECT_EQ(ops.ReadVolume(h, buffer.data(), CopyBlockSize), CopyBlockSize);

  ops.UnlockVolume(h);
  EXPECT_TRUE(ops.LockVolume(other));
  ops.CloseVolume(other);  // closing a locked handle releases its lock
  const int again = ::open(loop.Device().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  EXPECT_GE(again, 0);
  if (again >= 0) ::close(again);
  ops.CloseVolume(h);
  EXPECT_EQ(test::OpenDescriptorCount(), before);

  MountedVolume mounted(loop.Device(), dir / "mounted", "ext4");
  ASSERT_TRUE(mounted.Ok()) << mounted.Error();
  const VolumeHandle m = ops.OpenVolume(letter);
  ASSERT_NE(m, kInvalidHandle);  // a mounted volume still opens for reading
  EXPECT_FALSE(ops.LockVolume(m));
  ops.CloseVolume(m);
  EXPECT_EQ(test::OpenDescriptorCount(), before);
}

TEST_F(LoopVolumes, ReadsTheWholeVolumeByteForByte) {
  const std::string image = Image("data.img", 1474560);
  {
    std::string content(1474560, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131) >> 3);
    test::WriteFile(image, content);
  }
  LoopDevice loop(image);
  ATTACH(loop);
  const char letter = ops.Map().LetterOfDevice(loop.Name());
  if (letter == 0) GTEST_SKIP() << "no drive letter left";
  const VolumeHandle h = ops.OpenVolume(letter);
  ASSERT_NE(h, kInvalidHandle);
  EXPECT_EQ(GetDeviceLength(ops, h, letter), 1474560);
  EXPECT_EQ(GetDeviceLength(ops, kInvalidHandle, letter), 1474560);
  std::string read;
  std::vector<char> buffer(CopyBlockSize);
  for (;;) {
    const std::uint32_t n = ops.ReadVolume(h, buffer.data(), CopyBlockSize);
    if (n == 0) break;
    read.append(buffer.data(), n);
    ASSERT_LE(read.size(), 1474560u);
  }
  // The handle was left open by GetDeviceLength and is still usable.
  EXPECT_EQ(GetDeviceLength(ops, h, letter), 1474560);
  ops.CloseVolume(h);
  EXPECT_EQ(read.size(), 1474560u);
  EXPECT_TRUE(read == test::ReadFile(image));
}

TEST(SystemVolumes, ALetterWithNoVolume) {
  LinuxVolumeOps ops;
  char free = 0;
  for (char letter = 'Z'; letter >= 'A' && free == 0; --letter)
    if (ops.Map().VolumeOfLetter(letter) == nullptr) free = letter;
  if (free == 0) GTEST_SKIP() << "every letter holds a volume";
  const int before = test::OpenDescriptorCount();
  EXPECT_EQ(ops.KindOf(RootPathOf(free)), DriveKind::NoRootDir);
  EXPECT_EQ(ops.OpenVolume(free), kInvalidHandle);
  EXPECT_EQ(GetDeviceLength(ops, kInvalidHandle, free), 0);
  VolumeDetails details;
  EXPECT_FALSE(GetVolumeDetails(ops, RootPathOf(free), details));
  EXPECT_EQ(details.label, "");
  EXPECT_EQ(details.fileSystemName, "");
  EXPECT_EQ(details.serialText, "");
  EXPECT_EQ(details.freeText, "0 б");
  EXPECT_EQ(details.freeBytes, 0);
  EXPECT_EQ(GetFreeBytes(ops, free), 0);
  EXPECT_EQ(GetFreeBytes(ops, '/'), 0);
  EXPECT_EQ(GetFreeBytes(ops, '\\'), 0);
  EXPECT_EQ(test::OpenDescriptorCount(), before);
  DriveListModel list;
  FillDriveList(ops, list);
  EXPECT_EQ(list.RowOf(RootPathOf(free)), -1);
}

TEST(SystemVolumes, TheVolumeHoldingTheRootIsC) {
  // The device of "/" as this process's mount table gives it.
  const std::vector<MountEntry> mounts = ReadMountInfo();
  const MountEntry* root = nullptr;
  for (const MountEntry& e : mounts)
    if (e.mountPoint == "/") root = &e;
  ASSERT_NE(root, nullptr);
  char link[64];
  std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", root->major, root->minor);
  char target[4096];
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  if (root->major == 0 || n <= 0) GTEST_SKIP() << "/ is not on a block device here";
  target[n] = '\0';
  const std::string name = std::string(target).substr(std::string(target).rfind('/') + 1);
  LinuxVolumeOps ops;
  EXPECT_EQ(ops.Map().LetterOfDevice(name), 'C');
  EXPECT_EQ(ops.Map().VolumeOfLetter('C')->mountPoint, "/");
  EXPECT_EQ(ops.DriveLetterOfPath("/disk.ima"), 'C');
  DiskFreeSpace space;
  EXPECT_TRUE(ops.FreeSpaceOf("C:\\", space));
  EXPECT_GT(space.totalBytes, 0);
}

TEST(SystemVolumes, RebuildsLeaveNoDescriptorOpen) {
  LinuxVolumeOps ops;
  DriveListModel list;
  FillDriveList(ops, list);  // anything opened once and kept (none expected) is opened now
  const int before = test::OpenDescriptorCount();
  for (int i = 0; i < 3; ++i) FillDriveList(ops, list);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    GetDeviceLength(ops, kInvalidHandle, letter);
    VolumeInformation info;
    ops.ProbeFileSystem(RootPathOf(letter), info);
    ops.DriveLetterOfPath("/tmp/x.ima");
  }
  EXPECT_EQ(test::OpenDescriptorCount(), before);
  EXPECT_GE(list.RowCount(), 1);
}

}  // namespace
}  // namespace vorkan
