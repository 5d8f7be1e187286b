// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/DriveLetterMap.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "FakeSysfs.h"
#include "volume/VolumeOps.h"

namespace vorkan {
namespace {

using test::FakeSysfs;

TEST(NaturalOrder, NumbersCountAsNumbers) {
  std::vector<std::string> names = {"sr0",   "sdb1", "loop10",    "sda1",       "loop2",
                                    "sda10", "sda2", "nvme0n1p2", "nvme0n1p10", "loop1"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  const std::vector<std::string> expected = {"loop1", "loop2", "loop10", "nvme0n1p2", "nvme0n1p10",
                                             "sda1",  "sda2",  "sda10",  "sdb1",      "sr0"};
  EXPECT_EQ(names, expected);
}

TEST(NaturalOrder, IsAStrictOrder) {
  EXPECT_FALSE(NaturalLess("sda1", "sda1"));
  EXPECT_TRUE(NaturalLess("sda", "sda1"));
  EXPECT_FALSE(NaturalLess("sda1", "sda"));
  EXPECT_TRUE(NaturalLess("loop9", "loop10"));
  EXPECT_FALSE(NaturalLess("loop10", "loop9"));
  // Equal values with different leading zeros are still ordered one way.
  EXPECT_NE(NaturalLess("a01", "a1"), NaturalLess("a1", "a01"));
  EXPECT_TRUE(NaturalLess("a99999999999999999999998", "a99999999999999999999999"));
}

// A machine with one of every kind of block device.
class FakeTreeMap : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.AddDisk("fd0", 2, 0, 2880, 1);
    sys.AddDisk("sr0", 11, 0, 0, 1);  // no medium: size 0
    sys.AddDisk("zram0", 252, 0, 0);  // not set up
    sys.AddDisk("zram1", 252, 1, 4096);
    sys.AddDisk("ram0", 1, 0, 0);
    sys.AddDisk("mmcblk0", 179, 0, 8192);
    sys.AddPartition("mmcblk0", "mmcblk0p1", 179, 1, 1);
    sys.AddDisk("mmcblk0boot0", 179, 8, 4096);
    sys.AddDisk("mmcblk0boot1", 179, 16, 4096);
    sys.AddDisk("mmcblk0rpmb", 179, 24, 256);
    sys.AddLoop("loop0", 0, false);
    sys.AddLoop("loop2", 2, true);
    sys.AddLoop("loop10", 10, true);
    sys.AddDisk("sda", 8, 0, 100000);
    sys.AddPartition("sda", "sda1", 8, 1, 1);
    sys.AddPartition("sda", "sda2", 8, 2, 2);
    sys.AddDisk("sdb", 8, 16, 4096, 1);  // a USB stick without partitions
    sys.AddDisk("sdc", 8, 32, 4096, 1);
    sys.AddPartition("sdc", "sdc1", 8, 33, 1);  // a partition of a removable disk
  }

  DriveLetterMap Map() {
    DriveLetterSources sources;
    sources.sysBlockDir = sys.blockDir();
    sources.devDir = "/dev";
    sources.mountInfoPath = sys.dir() / "mountinfo";
    return DriveLetterMap(sources);
  }

  std::vector<std::string> Names(const DriveLetterMap& map) {
    std::vector<std::string> names;
    for (const BlockVolume& v : map.Volumes()) names.push_back(v.name);
    return names;
  }

  FakeSysfs sys;
};

TEST_F(FakeTreeMap, ChoosesTheVolumesAndLeavesOutTheRest) {
  DriveLetterMap map = Map();
  map.Rebuild({});
  const std::vector<std::string> expected = {"fd0",  "loop2", "loop10", "mmcblk0p1", "sda1",
                                             "sda2", "sdb",   "sdc1",   "sr0",       "zram1"};
  EXPECT_EQ(Names(map), expected);
}

TEST_F(FakeTreeMap, DriveTypesFollowTheKindOfDevice) {
  DriveLetterMap map = Map();
  map.Rebuild({});
  auto typeOf = [&](const char* name) { return map.KindOfLetter(map.LetterOfDevice(name)); };
  EXPECT_EQ(typeOf("fd0"), DriveKind::Removable);
  EXPECT_EQ(typeOf("sr0"), DriveKind::CdRom);
  EXPECT_EQ(typeOf("zram1"), DriveKind::RamDisk);
  EXPECT_EQ(typeOf("sdb"), DriveKind::Removable);
  EXPECT_EQ(typeOf("sdc1"), DriveKind::Removable);  // from its disk's "removable"
  EXPECT_EQ(typeOf("sda1"), DriveKind::Fixed);
  EXPECT_EQ(typeOf("loop2"), DriveKind::Fixed);
  EXPECT_EQ(typeOf("mmcblk0p1"), DriveKind::Fixed);
  EXPECT_EQ(map.KindOfLetter('Z'), DriveKind::NoRootDir);
  EXPECT_EQ(map.KindOfLetter('?'), DriveKind::NoRootDir);
}

TEST_F(FakeTreeMap, RootVolumeIsCAndTheOthersFollowInNaturalOrder) {
  DriveLetterMap map = Map();
  map.Rebuild(ParseMountInfo("27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"));
  EXPECT_EQ(map.LetterOfDevice("fd0"), 'A');
  EXPECT_EQ(map.LetterOfDevice("sda2"), 'C');
  EXPECT_EQ(map.LetterOfDevice("loop2"), 'D');
  EXPECT_EQ(map.LetterOfDevice("loop10"), 'E');
  EXPECT_EQ(map.LetterOfDevice("mmcblk0p1"), 'F');
  EXPECT_EQ(map.LetterOfDevice("sda1"), 'G');
  EXPECT_EQ(map.LetterOfDevice("sdb"), 'H');
  EXPECT_EQ(map.LetterOfDevice("sdc1"), 'I');
  EXPECT_EQ(map.LetterOfDevice("sr0"), 'J');
  EXPECT_EQ(map.LetterOfDevice("zram1"), 'K');
  EXPECT_EQ(map.VolumeOfLetter('B'), nullptr);  // B is kept for a second floppy
  EXPECT_EQ(map.VolumeOfLetter('L'), nullptr);
  ASSERT_NE(map.VolumeOfLetter('c'), nullptr);  // lower case finds the same volume
  EXPECT_EQ(map.VolumeOfLetter('c')->name, "sda2");
  EXPECT_EQ(map.VolumeOfLetter('C')->devicePath, "/dev/sda2");
  EXPECT_EQ(map.VolumeOfLetter('C')->mountPoint, "/");
  EXPECT_EQ(map.VolumeOfLetter('C')->mountFsType, "ext4");
}

TEST_F(FakeTreeMap, RootOnAnAnonymousDeviceIsFoundByItsSource) {
  DriveLetterMap map = Map();
  // btrfs reports an anonymous device number; the source names the volume.
  map.Rebuild(ParseMountInfo("27 1 0:31 / / rw - btrfs /dev/sda1 rw\n"));
  EXPECT_EQ(map.LetterOfDevice("sda1"), 'C');
  EXPECT_EQ(map.VolumeOfLetter('C')->mountPoint, "/");
}

TEST_F(FakeTreeMap, WithoutABlockRootCGoesToTheFirstFixedVolume) {
  DriveLetterMap map = Map();
  map.Rebuild(
      ParseMountInfo("1 0 0:20 / / rw - overlay overlay rw\n"
                     "2 1 8:33 / /media/stick rw - vfat /dev/sdc1 rw\n"));
  EXPECT_EQ(map.LetterOfDevice("fd0"), 'A');
  EXPECT_EQ(map.LetterOfDevice("loop2"), 'C');  // fd0 is removable, loop2 the first fixed
  EXPECT_EQ(map.LetterOfDevice("loop10"), 'D');
  EXPECT_EQ(map.LetterOfDevice("zram1"), 'K');
}

TEST_F(FakeTreeMap, MountPointsAreTheFirstMountAndDecoded) {
  DriveLetterMap map = Map();
  map.Rebuild(
      ParseMountInfo("27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                     "30 27 8:16 / /media/my\\040stick rw - vfat /dev/sdb rw\n"
                     "31 27 8:16 / /mnt/second rw - vfat /dev/sdb rw\n"
                     "32 27 7:2 /sub /mnt/tab\\011here rw - xfs /dev/loop2 rw\n"));
  const BlockVolume* sdb = map.VolumeOfLetter(map.LetterOfDevice("sdb"));
  ASSERT_NE(sdb, nullptr);
  EXPECT_EQ(sdb->mountPoint, "/media/my stick");
  EXPECT_EQ(sdb->mountFsType, "vfat");
  const BlockVolume* loop2 = map.VolumeOfLetter(map.LetterOfDevice("loop2"));
  ASSERT_NE(loop2, nullptr);
  EXPECT_EQ(loop2->mountPoint, "/mnt/tab\there");
  const BlockVolume* sr0 = map.VolumeOfLetter(map.LetterOfDevice("sr0"));
  ASSERT_NE(sr0, nullptr);
  EXPECT_EQ(sr0->mountPoint, "");
}

TEST_F(FakeTreeMap, TwoFloppiesTakeAAndB) {
  sys.AddDisk("fd1", 2, 1, 2880, 1);
  DriveLetterMap map = Map();
  map.Rebuild(ParseMountInfo("27 1 8:1 / / rw - ext4 /dev/sda1 rw\n"));
  EXPECT_EQ(map.LetterOfDevice("fd0"), 'A');
  EXPECT_EQ(map.LetterOfDevice("fd1"), 'B');
  EXPECT_EQ(map.LetterOfDevice("sda1"), 'C');
  EXPECT_EQ(map.LetterOfDevice("loop2"), 'D');
}

TEST_F(FakeTreeMap, RebuildTakesANewLook) {
  DriveLetterMap map = Map();
  EXPECT_FALSE(map.IsBuilt());
  test::WriteFile(sys.dir() / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n");
  map.Rebuild();
  EXPECT_TRUE(map.IsBuilt());
  EXPECT_EQ(map.LetterOfDevice("sda2"), 'C');
  EXPECT_EQ(map.LetterOfDevice("loop2"), 'D');
  sys.AddLoop("loop1", 1, true);
  EXPECT_EQ(map.LetterOfDevice("loop1"), 0);  // a snapshot until the next rebuild
  map.Rebuild();
  EXPECT_EQ(map.LetterOfDevice("loop1"), 'D');
  EXPECT_EQ(map.LetterOfDevice("loop2"), 'E');
}

TEST(DriveLetterMapLimits, NothingAfterZ) {
  FakeSysfs sys;
  for (unsigned i = 0; i < 30; ++i) sys.AddLoop("loop" + std::to_string(i), i, true);
  DriveLetterSources sources;
  sources.sysBlockDir = sys.blockDir();
  DriveLetterMap map(sources);
  map.Rebuild({});
  ASSERT_EQ(map.Volumes().size(), 30u);
  EXPECT_EQ(map.LetterOfDevice("loop0"), 'C');
  EXPECT_EQ(map.LetterOfDevice("loop23"), 'Z');
  EXPECT_EQ(map.LetterOfDevice("loop24"), 0);
  EXPECT_EQ(map.LetterOfDevice("loop29"), 0);
  for (char letter = 'C'; letter <= 'Z'; ++letter) EXPECT_NE(map.VolumeOfLetter(letter), nullptr);
}

TEST(DriveLetterMapLimits, AnEmptyOrMissingTreeHasNoVolumes) {
  DriveLetterSources sources;
  sources.sysBlockDir = "/nonexistent/sys/class/block";
  DriveLetterMap map(sources);
  map.Rebuild({});
  EXPECT_TRUE(map.Volumes().empty());
  for (char letter = 'A'; letter <= 'Z'; ++letter) EXPECT_EQ(map.KindOfLetter(letter), DriveKind::NoRootDir);
}

// The letter of a path goes by the st_dev of the path's folder.
TEST(DriveLetterMapPaths, FolderOnALetteredVolume) {
  FakeSysfs sys;
  struct stat st {};
  ASSERT_EQ(::stat(sys.dir().Path().c_str(), &st), 0);
  // A fake disk with the device number of the file system the test runs on.
  sys.AddDisk("vdz", major(st.st_dev), minor(st.st_dev), 1000);
  DriveLetterSources sources;
  sources.sysBlockDir = sys.blockDir();
  DriveLetterMap map(sources);
  map.Rebuild({});
  if (major(st.st_dev) == 0) GTEST_SKIP() << "/tmp is not on a block device here";
  const char letter = map.LetterOfDevice("vdz");
  ASSERT_EQ(letter, 'C');
  EXPECT_EQ(map.LetterOfPath(sys.dir() / "image.ima"), 'C');
  EXPECT_EQ(map.LetterOfPath(sys.dir().Path() + "/"), 'C');
  // A missing folder, an empty path, no folder at all.
  EXPECT_EQ(map.LetterOfPath("/nonexistent-vorkan-folder/x.ima"), '/');
  EXPECT_EQ(map.LetterOfPath(""), 0);
}

TEST(DriveLetterMapPaths, FileSystemWithAnAnonymousDeviceGoesByItsMountSource) {
  FakeSysfs sys;
  sys.AddDisk("sdq", 8, 240, 1000);
  struct stat st {};
  ASSERT_EQ(::stat(sys.dir().Path().c_str(), &st), 0);
  DriveLetterSources sources;
  sources.sysBlockDir = sys.blockDir();
  DriveLetterMap map(sources);
  // The folder's own st_dev, said to be a mount of /dev/sdq.
  map.Rebuild(ParseMountInfo("40 1 " + std::to_string(major(st.st_dev)) + ":" +
                             std::to_string(minor(st.st_dev)) + " / /somewhere rw - btrfs /dev/sdq rw\n"));
  EXPECT_EQ(map.LetterOfDevice("sdq"), 'C');
  EXPECT_EQ(map.LetterOfPath(sys.dir() / "image.ima"), 'C');
}

// Which mount holds a folder: the one its mount ID names, when the table has
// that mount and it holds the path (an over-mount hides what lies under it),
// else the longest mount point; a folder not made yet belongs to its parent's
// mount, a link to where it leads, an unlettered mount to no drive.
TEST(DriveLetterMapPaths, TheMountHoldingTheFolderGivesTheLetter) {
  FakeSysfs sys;
  sys.AddDisk("sda", 8, 0, 100000);
  sys.AddPartition("sda", "sda1", 8, 1, 1);
  sys.AddPartition("sda", "sda2", 8, 2, 2);
  sys.AddDisk("sdb", 8, 16, 4096);
  const std::string t = sys.dir().Path();
  for (const char* folder : {"/top", "/top/inner", "/top/inner/deep", "/other", "/scratch"})
    ASSERT_EQ(::mkdir((t + folder).c_str(), 0755), 0);
  ASSERT_EQ(::symlink((t + "/top/inner").c_str(), (t + "/link").c_str()), 0);
  std::uint64_t namedId = 0;  // what the folder's statx says in each row; 0: it cannot tell
  DriveLetterSources sources;
  sources.sysBlockDir = sys.blockDir();
  sources.mountIdOf = [&namedId](const std::string&, std::uint64_t& id) {
    id = namedId;
    return namedId != 0;
  };
  DriveLetterMap map(sources);
  map.Rebuild(
      ParseMountInfo("20 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                     "21 20 8:1 / " +
                     t +
                     "/top rw - ext4 /dev/sda1 rw\n"
                     "22 21 8:16 / " +
                     t +
                     "/top/inner rw - vfat /dev/sdb rw\n"
                     "23 20 0:50 / " +
                     t + "/scratch rw - tmpfs tmpfs rw\n"));
  ASSERT_EQ(map.LetterOfDevice("sda2"), 'C');
  ASSERT_EQ(map.LetterOfDevice("sda1"), 'D');
  ASSERT_EQ(map.LetterOfDevice("sdb"), 'E');
  const struct {
    std::string path;
    std::uint64_t mountId;
    char letter;
  } rows[] = {
      {t + "/top/x.ima", 21, 'D'},
      {t + "/top/x.ima", 0, 'D'},
      {t + "/top/inner/x.ima", 22, 'E'},
      {t + "/top/inner/x.ima", 21, 'D'},         // the ID knows better than the mount points
      {t + "/top/inner/deep/x.ima", 0, 'E'},     // the innermost mount point
      {t + "/top/inner/not yet/x.ima", 0, 'E'},  // a folder still to be made
      {t + "/link/x.ima", 0, 'E'},
      {t + "/top/inner/../x.ima", 0, 'D'},
      {t + "/other/x.ima", 22, 'C'},  // an ID whose mount does not hold the path is not believed
      {t + "/top/x.ima", 99, 'D'},    // nor one the table does not have
      {t + "/scratch/x.ima", 23, '/'},
      {t + "/scratch/x.ima", 0, '/'},
      {"relative.ima", 0, 'C'},
  };
  for (const auto& row : rows) {
    namedId = row.mountId;
    EXPECT_EQ(map.LetterOfPath(row.path), row.letter) << row.path << " with mount ID " << row.mountId;
  }
}

TEST(DriveLetterMapPaths, PathOnAnUnletteredFileSystemGivesItsFirstCharacter) {
  FakeSysfs sys;
  sys.AddDisk("sdq", 8, 240, 1000);
  DriveLetterSources sources;
  sources.sysBlockDir = sys.blockDir();
  DriveLetterMap map(sources);
  map.Rebuild({});
  EXPECT_EQ(map.LetterOfPath(sys.dir() / "image.ima"), '/');
  EXPECT_EQ(map.LetterOfPath("relative.ima"), 'r');
}

}  // namespace
}  // namespace vorkan
