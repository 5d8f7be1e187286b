// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveCatalogue.h"

#include <gtest/gtest.h>
#include <map>

#include "ByteSize.h"
#include "DriveListModel.h"
#include "LocaleSeparators.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

class SeparatorsGuard {
 public:
  SeparatorsGuard(const char* decimal, const char* thousands) { OverrideSeparators(decimal, thousands); }
  ~SeparatorsGuard() { OverrideSeparators(std::nullopt, std::nullopt); }
};

TEST(ExactSizeText, GroupsThousandsWithTheLocalesSeparator) {
  SeparatorsGuard guard(",", " ");
  EXPECT_EQ(ExactSizeText(1474560), "1 474 560");
  EXPECT_EQ(ExactSizeText(999), "999");
  EXPECT_EQ(ExactSizeText(1000), "1 000");
  EXPECT_EQ(ExactSizeText(100000), "100 000");
  EXPECT_EQ(ExactSizeText(9223372036854775807LL), "9 223 372 036 854 775 807");
}

TEST(ExactSizeText, AtLeastTwoDigitsButZeroIsZero) {
  SeparatorsGuard guard(",", " ");
  EXPECT_EQ(ExactSizeText(0), "0");
  EXPECT_EQ(ExactSizeText(5), "05");
  EXPECT_EQ(ExactSizeText(10), "10");
}

TEST(ExactSizeText, OtherSeparators) {
  {
    SeparatorsGuard guard(".", ",");
    EXPECT_EQ(ExactSizeText(1234567), "1,234,567");
  }
  {
    SeparatorsGuard guard(",", "");  // a locale that does not group
    EXPECT_EQ(ExactSizeText(1234567), "1234567");
  }
  {
    SeparatorsGuard guard(",", "\u00a0");  // no-break space, two bytes in UTF-8
    EXPECT_EQ(ExactSizeText(1234567), "1\u00a0234\u00a0567");
  }
}

TEST(ExactSizeText, NegativeLengthsKeepTheirSign) {
  SeparatorsGuard guard(",", " ");
  EXPECT_EQ(ExactSizeText(-5), "-05");
  EXPECT_EQ(ExactSizeText(-1234), "-1 234");
  EXPECT_EQ(ExactSizeText(INT64_MIN), "-9 223 372 036 854 775 808");
}

TEST(DriveRowTexts, MadeFromTheNumbersOfTheRow) {
  SeparatorsGuard guard(",", " ");
  DriveRecord r;
  r.SizeBytes = 1474560;
  r.FreeBytes = 10000000000LL;
  r.Serial = 0x1A2B;
  EXPECT_EQ(SizeText(r), "1,41 Мб");
  EXPECT_EQ(FreeText(r), "9,3 Гб");
  EXPECT_EQ(ExactSizeText(r), "1 474 560");
  EXPECT_EQ(SerialText(r), "00001A2B");
  r.Serial = 0xCAFEF00D;
  EXPECT_EQ(SerialText(r), "CAFEF00D");
  r.Serial = 0;  // a serial of zero is still shown
  EXPECT_EQ(SerialText(r), "00000000");
  r.Serial.reset();
  EXPECT_EQ(SerialText(r), "");
  // Lengths that could not be told, or came out negative.
  r.SizeBytes = 0;
  r.FreeBytes = 0;
  EXPECT_EQ(SizeText(r), "0 б");
  EXPECT_EQ(FreeText(r), "0 б");
  EXPECT_EQ(ExactSizeText(r), "0");
  r.SizeBytes = -5;
  EXPECT_EQ(SizeText(r), "0 б");
  EXPECT_EQ(ExactSizeText(r), "-05");
}

TEST(MediaTypeText, OneTextPerDriveTypeWithARow) {
  EXPECT_EQ(MediaTypeText(DriveKind::Unknown), "Неизвестно");
  EXPECT_EQ(MediaTypeText(DriveKind::Removable), "Съемный");
  EXPECT_EQ(MediaTypeText(DriveKind::Fixed), "Локальный");
  EXPECT_EQ(MediaTypeText(DriveKind::CdRom), "CD-диск");
  EXPECT_EQ(MediaTypeText(DriveKind::RamDisk), "RAM-диск");
  EXPECT_FALSE(MediaTypeText(DriveKind::NoRootDir).has_value());
  EXPECT_FALSE(MediaTypeText(DriveKind::Remote).has_value());
  EXPECT_FALSE(MediaTypeText(static_cast<DriveKind>(7)).has_value());
  EXPECT_FALSE(MediaTypeText(static_cast<DriveKind>(0xFFFFFFFFu)).has_value());
}

// A volume layer whose answers are set per letter, and which records the
// calls made on it.
class ScriptedVolumeOps : public VolumeOps {
 public:
  struct Drive {
    DriveKind type = DriveKind::NoRootDir;
    bool infoOk = false;
    VolumeInformation info;
    bool spaceOk = false;
    std::int64_t freeBytes = 0;
    bool openOk = false;
    bool lengthOk = false;
    std::int64_t length = 0;
  };

  Drive& operator[](char letter) { return drives[letter]; }

  void RefreshDrives() override { calls.push_back("refresh"); }
  VolumeHandle OpenVolume(char letter) override {
    calls.push_back("open " + std::string(1, letter));
    const Drive& d = drives[letter];
    if (!d.openOk) return kInvalidHandle;
    ++openHandles;
    return 100 + letter;
  }
  bool VolumeLength(VolumeHandle h, std::int64_t& length) override {
    const Drive& d = drives[static_cast<char>(h - 100)];
    if (!d.lengthOk) return false;
    length = d.length;
    return true;
  }
  bool LockVolume(VolumeHandle) override { return true; }
  void UnlockVolume(VolumeHandle) override {}
  std::uint32_t ReadVolume(VolumeHandle, void*, std::uint32_t) override { return 0; }
  void CloseVolume(VolumeHandle) override { --openHandles; }
  bool ProbeFileSystem(const std::string& root, VolumeInformation& info) override {
    calls.push_back("info " + root);
    const Drive& d = drives[root[0]];
    if (!d.infoOk) return false;
    info = d.info;
    return true;
  }
  bool FreeSpaceOf(const std::string& root, DiskFreeSpace& space) override {
    calls.push_back("space " + root);
    const Drive& d = drives[root[0]];
    if (!d.spaceOk) return false;
    space.totalFreeBytes = d.freeBytes;
    space.freeBytesAvailable = d.freeBytes / 2;  // the program must not take these
    space.totalBytes = d.length > INT64_MAX / 2 ? INT64_MAX : d.length * 2;  // rows of the largest lengths
    return true;
  }
  DriveKind KindOf(const std::string& root) override {
    calls.push_back("type " + root);
    return drives[root[0]].type;
  }
  char DriveLetterOfPath(const std::string& path) override { return path.empty() ? 0 : path[0]; }
  ImageHandle CreateImage(const std::string&, const std::optional<FileIdentity>&) override {
    return kInvalidImage;
  }
  bool AppendImage(ImageHandle, const void*, std::uint32_t) override { return false; }
  bool GetFolderFreeSpace(const std::string&, DiskFreeSpace&) override { return false; }
  bool FlushImage(ImageHandle, std::int64_t) override { return false; }
  bool KeepImage(ImageHandle, bool, std::string&) override { return false; }
  bool CloseImage(ImageHandle) override { return false; }
  bool DeleteImage(ImageHandle) override { return false; }

  std::map<char, Drive> drives;
  std::vector<std::string> calls;
  int openHandles = 0;
};

class FillDriveListTest : public ::testing::Test {
 protected:
  SeparatorsGuard separators{",", " "};
  ScriptedVolumeOps ops;
  DriveListModel list;
};

TEST_F(FillDriveListTest, RowsCarryEveryTextInOrder) {
  ScriptedVolumeOps::Drive& c = ops['C'];
  c.type = DriveKind::Fixed;
  c.infoOk = true;
  c.info = {"SYSTEM", "ext4", 0x1A2B};
  c.spaceOk = true;
  c.freeBytes = 10000000000LL;
  c.openOk = c.lengthOk = true;
  c.length = 21474836480LL;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  const DriveRecord& r = list.rows[0];
  EXPECT_EQ(r.RootPath, "C:\\");
  EXPECT_EQ(r.VolumeLabel, "SYSTEM");
  EXPECT_EQ(r.MediaType, "Локальный");
  EXPECT_EQ(r.SizeBytes, 21474836480LL);
  EXPECT_EQ(SizeText(r), "20,0 Гб");
  EXPECT_EQ(r.FreeBytes, 10000000000LL);
  EXPECT_EQ(FreeText(r), FormatByteSize(10000000000LL));
  EXPECT_EQ(FreeText(r), "9,3 Гб");
  EXPECT_EQ(r.Serial, 0x1A2Bu);
  EXPECT_EQ(SerialText(r), "00001A2B");
  EXPECT_EQ(r.FileSystemName, "ext4");
  EXPECT_EQ(ExactSizeText(r), "21 474 836 480");
  EXPECT_EQ(r.UsedSectors, (21474836480LL - 10000000000LL) / 512);
  EXPECT_EQ(r.UsedSectors, 0x155FA0E);
  EXPECT_EQ(r.FreeSectors, 0x12A05F2);
}

TEST_F(FillDriveListTest, WorkedExampleOfAFullFloppy) {
  ScriptedVolumeOps::Drive& a = ops['A'];
  a.type = DriveKind::Removable;
  a.infoOk = true;
  a.info = {"", "vfat", 0};
  a.spaceOk = true;
  a.freeBytes = 0;
  a.openOk = a.lengthOk = true;
  a.length = 1474560;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  const DriveRecord& r = list.rows[0];
  EXPECT_EQ(ExactSizeText(r), "1 474 560");
  EXPECT_EQ(r.UsedSectors, 0xB40);
  EXPECT_EQ(r.FreeSectors, 0);
  EXPECT_EQ(SizeText(r), "1,41 Мб");
  EXPECT_EQ(FreeText(r), "0 б");
  EXPECT_EQ(r.MediaType, "Съемный");
  EXPECT_EQ(r.VolumeLabel, "");  // an empty label
  EXPECT_EQ(r.Serial, 0u);
  EXPECT_EQ(SerialText(r), "00000000");
}

TEST_F(FillDriveListTest, EveryLetterIsQueriedAndOnlyTypedOnesGetRows) {
  ops['C'].type = DriveKind::Fixed;
  ops['D'].type = DriveKind::CdRom;
  ops['N'].type = DriveKind::Remote;
  ops['N'].spaceOk = true;
  ops['N'].freeBytes = 5000;
  ops['Q'].type = static_cast<DriveKind>(9);  // no such kind
  ops['R'].type = DriveKind::RamDisk;
  ops['U'].type = DriveKind::Unknown;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 4);
  EXPECT_EQ(list.rows[0].RootPath, "C:\\");
  EXPECT_EQ(list.rows[1].RootPath, "D:\\");
  EXPECT_EQ(list.rows[1].MediaType, "CD-диск");
  EXPECT_EQ(list.rows[2].RootPath, "R:\\");
  EXPECT_EQ(list.rows[2].MediaType, "RAM-диск");
  EXPECT_EQ(list.rows[3].RootPath, "U:\\");
  EXPECT_EQ(list.rows[3].MediaType, "Неизвестно");

  // The refresh first, then for every letter details, length and type.
  ASSERT_FALSE(ops.calls.empty());
  EXPECT_EQ(ops.calls[0], "refresh");
  std::vector<std::string> expected = {"refresh"};
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    expected.push_back("info " + root);
    expected.push_back("space " + root);
    expected.push_back("open " + std::string(1, letter));
    expected.push_back("type " + root);
  }
  EXPECT_EQ(ops.calls, expected);
  EXPECT_EQ(ops.openHandles, 0);
}

TEST_F(FillDriveListTest, ALetterWhoseQueriesFailStillGetsItsRow) {
  // An optical drive without a disc: nothing answers but the drive type.
  ops['E'].type = DriveKind::CdRom;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  const DriveRecord& r = list.rows[0];
  EXPECT_EQ(r.RootPath, "E:\\");
  EXPECT_EQ(r.VolumeLabel, "");
  EXPECT_EQ(SizeText(r), "0 б");
  EXPECT_EQ(FreeText(r), "0 б");
  EXPECT_FALSE(r.Serial.has_value());
  EXPECT_EQ(SerialText(r), "");
  EXPECT_EQ(r.FileSystemName, "");
  EXPECT_EQ(ExactSizeText(r), "0");
  EXPECT_EQ(r.UsedSectors, 0);
  EXPECT_EQ(r.FreeSectors, 0);
}

TEST_F(FillDriveListTest, AVolumeThatCannotBeOpenedRawShowsANegativeUsedCount) {
  ScriptedVolumeOps::Drive& f = ops['F'];
  f.type = DriveKind::Fixed;
  f.infoOk = true;
  f.info = {"DATA", "ntfs", 0xCAFEF00D};
  f.spaceOk = true;
  f.freeBytes = 10000000000LL;
  f.openOk = false;  // access refused
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  const DriveRecord& r = list.rows[0];
  EXPECT_EQ(r.VolumeLabel, "DATA");
  EXPECT_EQ(SerialText(r), "CAFEF00D");
  EXPECT_EQ(FreeText(r), "9,3 Гб");
  EXPECT_EQ(SizeText(r), "0 б");
  EXPECT_EQ(ExactSizeText(r), "0");
  EXPECT_EQ(r.UsedSectors, -19531250);
  EXPECT_EQ(r.FreeSectors, 19531250);
}

TEST_F(FillDriveListTest, LengthQueryFailingOnAnOpenVolumeGivesZero) {
  ops['G'].type = DriveKind::Fixed;
  ops['G'].openOk = true;
  ops['G'].lengthOk = false;
  ops['G'].length = 12345;  // never taken
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(ExactSizeText(list.rows[0]), "0");
  EXPECT_EQ(ops.openHandles, 0);
}

TEST_F(FillDriveListTest, SectorCountsKeepAllSixtyFourBits) {
  for (std::int64_t length : {0x10000000000LL * 512, 0x7FFFFFFFFFFFFFFFLL}) {
    ScriptedVolumeOps::Drive& h = ops['H'];
    h.type = DriveKind::Fixed;
    h.spaceOk = true;
    h.freeBytes = 0x100000000LL * 512;
    h.openOk = h.lengthOk = true;
    h.length = length;
    FillDriveList(ops, list);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.rows[0].UsedSectors, (length - h.freeBytes) / 512) << length;
    EXPECT_EQ(list.rows[0].FreeSectors, 0x100000000LL) << length;
  }
}

TEST_F(FillDriveListTest, IconsOnePerRowWithTheApplicationIconWhenNoneIsFound) {
  ops['A'].type = DriveKind::Removable;
  ops['C'].type = DriveKind::Fixed;
  ops['D'].type = DriveKind::CdRom;
  ops['U'].type = DriveKind::Unknown;
  list.typesWithoutIcon = {DriveKind::Unknown, DriveKind::CdRom};
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 4);
  ASSERT_EQ(list.ImageCount(), 4);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(list.stateImages[static_cast<std::size_t>(row)], row);
  EXPECT_FALSE(list.images[0].applicationIcon);
  EXPECT_EQ(list.images[0].rootPath, "A:\\");
  EXPECT_EQ(list.images[0].driveType, DriveKind::Removable);
  EXPECT_FALSE(list.images[1].applicationIcon);
  EXPECT_EQ(list.images[1].driveType, DriveKind::Fixed);
  EXPECT_TRUE(list.images[2].applicationIcon);
  EXPECT_TRUE(list.images[3].applicationIcon);
}

TEST_F(FillDriveListTest, FirstRowSelectedAndFocusOnlyOnScreen) {
  ops['C'].type = DriveKind::Fixed;
  ops['D'].type = DriveKind::Fixed;
  FillDriveList(ops, list);
  EXPECT_EQ(list.selectedRow, 0);
  EXPECT_EQ(list.focusedRow, 0);
  EXPECT_EQ(list.selectionEvents, 1);
  EXPECT_EQ(list.focusCount, 0);  // not on screen yet: no focus moves

  list.onScreen = true;
  list.selectedRow = 1;
  FillDriveList(ops, list);
  EXPECT_EQ(list.selectedRow, 0);
  EXPECT_EQ(list.selectionEvents, 2);
  EXPECT_EQ(list.focusCount, 1);
}

TEST_F(FillDriveListTest, ARebuildDiscardsTheOldRowsAndAnEmptyListSelectsNothing) {
  ops['C'].type = DriveKind::Fixed;
  ops['D'].type = DriveKind::Fixed;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 2);
  ops['D'].type = DriveKind::NoRootDir;
  FillDriveList(ops, list);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.ImageCount(), 1);
  EXPECT_EQ(list.stateImages.size(), 1u);

  ops['C'].type = DriveKind::NoRootDir;
  list.onScreen = true;
  FillDriveList(ops, list);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.ImageCount(), 0);
  EXPECT_EQ(list.selectedRow, -1);
  EXPECT_EQ(list.selectionEvents, 2);  // the two fills with rows, not this one
  EXPECT_EQ(list.focusCount, 1);       // the list still gets the focus
}

TEST(DriveListModel, RowOfFindsTheCaption) {
  DriveListModel list;
  DriveRecord r;
  r.RootPath = "D:\\";
  list.AppendRow(r);
  EXPECT_EQ(list.RowOf("D:\\"), 0);
  EXPECT_EQ(list.RowOf("C:\\"), -1);
}

}  // namespace
}  // namespace vorkan
