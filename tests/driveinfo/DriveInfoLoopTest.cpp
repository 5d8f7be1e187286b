// SPDX-License-Identifier: GPL-3.0-or-later
// The window over a real mounted volume: the row the drive list builds for a
// loop-device ext4 volume, shown as it is, with its pie and its mount point.
#include <gtest/gtest.h>

#include <QTest>

#include <string>
#include <vector>

#include "DriveInfoDriver.h"
#include "DriveListModel.h"
#include "Shell.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

TEST(DriveInfoLoopVolume, MountedExt4RowIsShownAsTheListHoldsIt) {
  const std::string why = LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;

  TempDir dir;
  VolumeShape labelled;
  labelled.label = "VORKANINFO";
  std::string made;
  const std::unique_ptr<TestVolume> volume = TestVolume::Make(VolumeKind::Ext4, dir / "ext4", made, labelled);
  ASSERT_TRUE(volume) << made;
  const std::string mnt = dir / "mnt";
  ASSERT_TRUE(volume->Mount(mnt, made)) << made;
  // Some used space beyond the file system's own structures and files.
  WriteFile(mnt + "/data.bin", PatternBytes(6 * 1024 * 1024, 3));
  test::Run("sync");

  LinuxVolumeOps ops;
  DriveListModel list;
  FillDriveList(ops, list);
  const char letter = ops.Map().LetterOfDevice(volume->Name());
  ASSERT_NE(letter, 0) << volume->Device() << " got no letter";
  const std::string root = std::string(1, letter) + ":\\";
  const int index = list.RowOf(root);
  ASSERT_GE(index, 0);
  const DriveRecord row = list.rows[static_cast<std::size_t>(index)];
  ASSERT_EQ(row.VolumeLabel, "VORKANINFO");
  ASSERT_EQ(row.FileSystemName, "ext4");

  std::vector<std::string> opened;
  const Opener previous = SetOpener(
      [&opened](const std::string&, const std::vector<std::string>& arguments) { opened = arguments; });
  DriveDetailsWindow form;
  form.SetFolderOfRootPath([&ops](const std::string& rootPath) -> std::string {
    if (rootPath.empty()) return {};
    const BlockVolume* volume = ops.Map().VolumeOfLetter(rootPath[0]);
    return volume != nullptr ? volume->mountPoint : std::string();
  });

  std::vector<std::string> edits;
  bool coverShown = true;
  int slices = 0;
  double used = 0, free = 0;
  int usedPixels = 0, freePixels = 0;
  OpenAndRun(form, row, [&](DriveDetailsWindow& f) {
    for (int n = 1; n <= 8; ++n) edits.push_back(Field(f, n)->text().toStdString());
    coverShown = SizeUnknownCover(f)->isVisible();
    slices = PieChartOf(f)->Series().Count();
    if (auto* p = PointLabelled(f, QStringLiteral("Занято:"))) used = p->Value;
    if (auto* p = PointLabelled(f, QStringLiteral("Свободно:"))) free = p->Value;
    const QImage image = ChartOnScreen(f);
    usedPixels = CountPixels(image, kUsedRgb);
    freePixels = CountPixels(image, kFreeRgb);
    QTest::mouseClick(OpenFolderButton(f), Qt::LeftButton);
  });
  SetOpener(previous);

  const std::vector<std::string> expected = {row.RootPath,       row.VolumeLabel,   row.MediaType,
                                             SizeText(row),      FreeText(row),     SerialText(row),
                                             row.FileSystemName, ExactSizeText(row)};
  EXPECT_EQ(edits, expected);
  EXPECT_EQ(edits[2], "Локальный");
  EXPECT_FALSE(coverShown);
  EXPECT_EQ(slices, 2);
  EXPECT_EQ(used, static_cast<double>(row.UsedSectors));
  EXPECT_EQ(free, static_cast<double>(row.FreeSectors));
  // 24 MiB in all, of which the written data alone is 6 MiB.
  EXPECT_EQ(used + free, 24.0 * 2048);
  EXPECT_GE(used, 6.0 * 2048);
  EXPECT_GT(usedPixels, 0);
  EXPECT_GT(freePixels, 0);
  EXPECT_EQ(opened, std::vector<std::string>{mnt});
}

}  // namespace
}  // namespace vorkan::test
