// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxVolumeOps over a fake sysfs tree whose device nodes are regular files
// standing in for volumes: letters, paths and handles without root.
#include "volume/LinuxVolumeOps.h"

#include <gtest/gtest.h>

#include "DriveCatalogue.h"
#include "DriveListModel.h"
#include "LocaleSeparators.h"
#include "FakeSysfs.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

using test::FakeSysfs;
using test::TempDir;

TEST(SerialFromUuid, FollowsTheFileSystemsWayOfWritingIt) {
  EXPECT_EQ(SerialFromUuid("1A2B-3C4D", "vfat"), 0x1A2B3C4Du);
  EXPECT_EQ(SerialFromUuid("1a2b-3c4d", "exfat"), 0x1A2B3C4Du);
  EXPECT_EQ(SerialFromUuid("0123456789ABCDEF", "ntfs"), 0x89ABCDEFu);
  EXPECT_EQ(SerialFromUuid("c0ffee11-2233-4455-6677-8899aabbccdd", "ext4"), 0xC0FFEE11u);
  EXPECT_EQ(SerialFromUuid("2026-12-08-18-38-16-00", "iso9660"), 0x20261208u);
  EXPECT_EQ(SerialFromUuid("", "ext4"), 0u);
  EXPECT_EQ(SerialFromUuid("ABC", "ext4"), 0xABCu);
}

TEST(DecodeUdevName, HexEscapesBecomeTheirBytes) {
  EXPECT_EQ(DecodeUdevName("my\\x20disk"), "my disk");
  EXPECT_EQ(DecodeUdevName("a\\x2fb"), "a/b");
  EXPECT_EQ(DecodeUdevName("plain"), "plain");
  EXPECT_EQ(DecodeUdevName("bad\\xZZ"), "bad\\xZZ");
}

class FakeTreeOps : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.AddLoop("loop2", 2, true);
    sys.AddDisk("sr0", 11, 0, 0, 1);
    sys.AddDisk("sdb", 8, 16, 4096, 1);
    // The node of loop2 is a regular file of 300,000 bytes; sr0 and sdb have none.
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 3);
    test::WriteFile(dev / "loop2", content);
    expected = content;
    test::WriteFile(sys.dir() / "mountinfo", "1 0 0:20 / / rw - overlay overlay rw\n");
  }

  std::unique_ptr<LinuxVolumeOps> Ops() {
    DriveLetterSources sources;
    sources.sysBlockDir = sys.blockDir();
    sources.devDir = dev.Path();
    sources.mountInfoPath = sys.dir() / "mountinfo";
    return std::make_unique<LinuxVolumeOps>(sources, dev / "disk");
  }

  FakeSysfs sys;
  TempDir dev;
  std::string expected;
};

TEST_F(FakeTreeOps, LettersAndRootPathsNameTheVolumeInEitherCase) {
  auto ops = Ops();
  ASSERT_EQ(ops->Map().LetterOfDevice("loop2"), 'C');
  for (const char letter : {'C', 'c'}) {
    const VolumeHandle h = ops->OpenVolume(letter);
    ASSERT_NE(h, kInvalidHandle) << letter;
    std::int64_t length = 0;
    EXPECT_TRUE(ops->VolumeLength(h, length));
    EXPECT_EQ(length, 300000);
    ops->CloseVolume(h);
  }
  EXPECT_EQ(ops->KindOf("C:\\"), DriveKind::Fixed);
  EXPECT_EQ(ops->KindOf("c:\\"), DriveKind::Fixed);
  EXPECT_EQ(ops->KindOf("D:\\"), DriveKind::Removable);  // sdb
  EXPECT_EQ(ops->KindOf("E:\\"), DriveKind::CdRom);      // sr0
  EXPECT_EQ(ops->KindOf("F:\\"), DriveKind::NoRootDir);
  EXPECT_EQ(ops->KindOf("/"), DriveKind::NoRootDir);
  EXPECT_EQ(ops->KindOf(""), DriveKind::NoRootDir);
  EXPECT_EQ(ops->OpenVolume('F'), kInvalidHandle);
  EXPECT_EQ(ops->OpenVolume('/'), kInvalidHandle);
  EXPECT_EQ(ops->OpenVolume('\0'), kInvalidHandle);
  EXPECT_EQ(GetDeviceLength(*ops, kInvalidHandle, 'c'), 300000);
}

TEST_F(FakeTreeOps, AFileStandingInIsReadInBlocksToItsEnd) {
  auto ops = Ops();
  const VolumeHandle h = ops->OpenVolume('C');
  ASSERT_NE(h, kInvalidHandle);
  EXPECT_TRUE(ops->LockVolume(h));
  EXPECT_TRUE(ops->LockVolume(h));  // a second lock on the same handle changes nothing
  std::string read;
  std::vector<char> buffer(CopyBlockSize);
  std::vector<std::uint32_t> counts;
  for (;;) {
    const std::uint32_t n = ops->ReadVolume(h, buffer.data(), CopyBlockSize);
    counts.push_back(n);
    if (n == 0) break;
    read.append(buffer.data(), n);
  }
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{262144, 300000 - 262144, 0}));
  EXPECT_TRUE(read == expected);
  EXPECT_EQ(ops->ReadVolume(h, buffer.data(), CopyBlockSize), 0u);
  ops->UnlockVolume(h);
  ops->CloseVolume(h);
  EXPECT_EQ(ops->ReadVolume(kInvalidHandle, buffer.data(), CopyBlockSize), 0u);
}

TEST_F(FakeTreeOps, OnlyBlockDevicesAndRegularFilesOpen) {
  auto ops = Ops();
  EXPECT_EQ(ops->OpenDevicePath(dev.Path()), kInvalidHandle);   // a folder
  EXPECT_EQ(ops->OpenDevicePath("/dev/null"), kInvalidHandle);  // a character device
  EXPECT_EQ(ops->OpenDevicePath(dev / "missing"), kInvalidHandle);
  std::int64_t length = 0;
  EXPECT_FALSE(ops->VolumeLength(kInvalidHandle, length));
  EXPECT_FALSE(ops->LockVolume(kInvalidHandle));
  ops->UnlockVolume(kInvalidHandle);
  ops->CloseVolume(kInvalidHandle);
}

TEST_F(FakeTreeOps, VolumesWithoutANodeOrMountAnswerLikeEmptyDrives) {
  auto ops = Ops();
  VolumeDetails details;
  EXPECT_FALSE(GetVolumeDetails(*ops, "E:\\", details));  // sr0: no node, no medium
  EXPECT_EQ(details.label, "");
  EXPECT_EQ(details.fileSystemName, "");
  EXPECT_EQ(details.serialText, "");
  EXPECT_EQ(details.freeText, "0 б");
  EXPECT_EQ(details.freeBytes, 0);
  EXPECT_EQ(GetFreeBytes(*ops, 'E'), 0);
  EXPECT_EQ(GetDeviceLength(*ops, kInvalidHandle, 'E'), 0);
  // A stand-in file holds no file system.
  VolumeInformation info;
  EXPECT_FALSE(ops->ProbeFileSystem("C:\\", info));
  DiskFreeSpace space;
  EXPECT_FALSE(ops->FreeSpaceOf("C:\\", space));  // not mounted
  EXPECT_EQ(GetFreeBytes(*ops, '/'), 0);
  EXPECT_EQ(GetFreeBytes(*ops, '\\'), 0);
}

TEST_F(FakeTreeOps, FillDriveListRefreshesTheLettersFirst) {
  auto ops = Ops();
  OverrideSeparators(",", " ");
  DriveListModel list;
  FillDriveList(*ops, list);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.rows[0].RootPath, "C:\\");
  EXPECT_EQ(ExactSizeText(list.rows[0]), "300 000");
  EXPECT_EQ(list.rows[0].UsedSectors, 300000 / 512);
  EXPECT_EQ(list.rows[1].MediaType, "Съемный");
  EXPECT_EQ(list.rows[2].MediaType, "CD-диск");
  EXPECT_EQ(ExactSizeText(list.rows[2]), "0");

  // A new loop device appears; the next fill sees it without being told.
  sys.AddLoop("loop1", 1, true);
  test::WriteFile(dev / "loop1", std::string(1024, 'x'));
  FillDriveList(*ops, list);
  ASSERT_EQ(list.RowCount(), 4);
  EXPECT_EQ(ExactSizeText(list.rows[0]), "1 024");  // loop1 is now C
  EXPECT_EQ(ExactSizeText(list.rows[1]), "300 000");
  OverrideSeparators(std::nullopt, std::nullopt);
}

}  // namespace
}  // namespace vorkan
