// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/MountInfo.h"

#include <gtest/gtest.h>

namespace vorkan {
namespace {

TEST(MountInfoDecode, OctalEscapesBecomeTheirBytes) {
  EXPECT_EQ(DecodeMountField("/media/my\\040disk"), "/media/my disk");
  EXPECT_EQ(DecodeMountField("a\\011b"), "a\tb");
  EXPECT_EQ(DecodeMountField("a\\012b"), "a\nb");
  EXPECT_EQ(DecodeMountField("back\\134slash"), "back\\slash");
  EXPECT_EQ(DecodeMountField("\\040\\040"), "  ");
}

TEST(MountInfoDecode, OtherBackslashesStayAsTheyAre) {
  EXPECT_EQ(DecodeMountField("a\\b"), "a\\b");
  EXPECT_EQ(DecodeMountField("end\\04"), "end\\04");  // too short to be an escape
  EXPECT_EQ(DecodeMountField("x\\08y"), "x\\08y");    // 8 is no octal digit
  EXPECT_EQ(DecodeMountField("x\\400"), "x\\400");    // beyond one byte
  EXPECT_EQ(DecodeMountField("tail\\"), "tail\\");
  EXPECT_EQ(DecodeMountField(""), "");
}

TEST(MountInfoParse, ReadsEveryFieldOfTheKernelsLines) {
  const std::string text =
      "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
      "36 35 98:0 /mnt1 /mnt/with\\040space rw,noatime master:1 propagate_from:2 - ext3 "
      "/dev/my\\011disk rw,errors=continue\n"
      "40 27 0:45 / /srv rw - btrfs /dev/sdb2 rw,space_cache\n";
  const std::vector<MountEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 3u);

  EXPECT_EQ(entries[0].mountId, 27);
  EXPECT_EQ(entries[0].parentId, 1);
  EXPECT_EQ(entries[0].major, 254u);
  EXPECT_EQ(entries[0].minor, 0u);
  EXPECT_EQ(entries[0].root, "/");
  EXPECT_EQ(entries[0].mountPoint, "/");
  EXPECT_EQ(entries[0].fsType, "ext4");
  EXPECT_EQ(entries[0].source, "/dev/vda");

  EXPECT_EQ(entries[1].mountId, 36);
  EXPECT_EQ(entries[1].parentId, 35);
  EXPECT_EQ(entries[1].major, 98u);
  EXPECT_EQ(entries[1].root, "/mnt1");
  EXPECT_EQ(entries[1].mountPoint, "/mnt/with space");
  EXPECT_EQ(entries[1].fsType, "ext3");
  EXPECT_EQ(entries[1].source, "/dev/my\tdisk");

  EXPECT_EQ(entries[2].major, 0u);
  EXPECT_EQ(entries[2].minor, 45u);
  EXPECT_EQ(entries[2].fsType, "btrfs");
  EXPECT_EQ(entries[2].source, "/dev/sdb2");
}

TEST(MountInfoParse, LeavesOutLinesOfAnotherShape) {
  const std::string text =
      "\n"
      "garbage\n"
      "1 2 3:4 / /nodash rw ext4 /dev/x rw\n"    // no separator
      "x 2 3:4 / /badid rw - ext4 /dev/x rw\n"   // id not a number
      "1 2 34 / /baddev rw - ext4 /dev/x rw\n"   // no major:minor
      "1 2 3:4 / /short rw -\n"                  // nothing after the separator
      "5 6 7:8 / /good rw - xfs /dev/loop3 rw";  // last line without newline
  const std::vector<MountEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].mountPoint, "/good");
  EXPECT_EQ(entries[0].source, "/dev/loop3");
}

TEST(MountInfoParse, ReadsThisProcesssTable) {
  const std::vector<MountEntry> entries = ReadMountInfo();
  ASSERT_FALSE(entries.empty());
  bool haveRoot = false;
  for (const MountEntry& e : entries) haveRoot = haveRoot || e.mountPoint == "/";
  EXPECT_TRUE(haveRoot);
  EXPECT_TRUE(ReadMountInfo("/nonexistent/mountinfo").empty());
}

// statx's mount ID is the first field of the table's line for the same mount.
TEST(MountInfoParse, MountIdsOfFoldersAreThoseOfTheTable) {
  const std::vector<MountEntry> entries = ReadMountInfo();
  for (const char* folder : {"/", "/proc", "/proc/self"}) {
    std::uint64_t id = 0;
    ASSERT_TRUE(MountIdOfPath(folder, id)) << folder << ": this kernel gives no mount IDs";
    const int holder = MountHoldingPath(entries, folder);
    ASSERT_GE(holder, 0) << folder;
    EXPECT_EQ(id, static_cast<std::uint64_t>(entries[static_cast<std::size_t>(holder)].mountId)) << folder;
  }
  std::uint64_t id = 0;
  EXPECT_FALSE(MountIdOfPath("/nonexistent-vorkan-folder", id));
}

TEST(MountInfoPaths, AMountPointHoldsItselfAndWhatLiesUnderIt) {
  const struct {
    const char* path;
    const char* mountPoint;
    bool under;
  } rows[] = {
      {"/mnt/a", "/mnt/a", true}, {"/mnt/a/x", "/mnt/a", true}, {"/mnt/ab", "/mnt/a", false},
      {"/mnt", "/mnt/a", false},  {"/anything", "/", true},     {"/", "/", true},
      {"/mnt/a", "", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(IsUnderMountPoint(row.path, row.mountPoint), row.under) << row.path << " in " << row.mountPoint;
  // The longest point wins; of two on the same point the later, mounted over the first.
  const std::vector<MountEntry> mounts = ParseMountInfo(
      "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
      "2 1 8:2 / /mnt rw - ext4 /dev/sda2 rw\n"
      "3 2 8:3 / /mnt/a rw - ext4 /dev/sda3 rw\n"
      "4 2 8:4 / /mnt/a rw - ext4 /dev/sda4 rw\n");
  EXPECT_EQ(MountHoldingPath(mounts, "/mnt/a/x"), 3);
  EXPECT_EQ(MountHoldingPath(mounts, "/mnt/ab"), 1);
  EXPECT_EQ(MountHoldingPath(mounts, "/srv"), 0);
  EXPECT_EQ(MountHoldingPath({}, "/srv"), -1);
}

}  // namespace
}  // namespace vorkan
