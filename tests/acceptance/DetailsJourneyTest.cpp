// SPDX-License-Identifier: GPL-3.0-or-later
// A user opens a drive's details, copies it from there, and later copies it
// again onto the image already on disk: the save dialog asks before replacing
// it, Yes replaces it whole, No leaves it alone.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "Journey.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

class DetailsJourney : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
  }

  // Clicks "Инфо", and in the details window, once it shows, "Копировать".
  // The root path the details window showed is returned.
  std::string CopyThroughDetails(MainWindow& f) {
    std::string shownRoot;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (!detailsWindow->isVisible()) return;
      watcher.stop();
      shownRoot = detailsWindow->findChild<QLineEdit*>(QStringLiteral("driveField"))->text().toStdString();
      QTest::mouseClick(detailsWindow->findChild<QPushButton*>(QStringLiteral("copyButton")), Qt::LeftButton);
    });
    watcher.start();
    QTest::mouseClick(Control<QPushButton>(f, "detailsButton"), Qt::LeftButton);
    return shownRoot;
  }

  TempDir dir_;
};

TEST_F(DetailsJourney, CopyFromDetailsThenReplaceTheImage) {
  std::string why;
  std::unique_ptr<TestVolume> volume = TestVolume::Make(VolumeKind::Ext4, dir_.Path(), why);
  ASSERT_TRUE(volume) << why;
  LinuxVolumeOps ops;
  Windows windows(ops);
  MainWindow& f = windows.main();
  const char letter = ops.Map().LetterOfDevice(volume->Name());
  ASSERT_TRUE(ClickDriveRow(f, letter));
  const std::string root = std::string(1, letter) + ":\\";
  const std::string deviceSum = Sha256(volume->Device());
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string image = dir_ / "details.IMA";
  const std::string success = "Диск " + root + " успешно скопирован в " + image + ".";

  // One copy through the details window that the user lets replace a file.
  int replaceQuestions = 0;
  auto copyWithYes = [&] {
    windows.prompts.clear();
    replaceQuestions = 0;
    TypeIntoSaveDialog(image, QMessageBox::Yes, &replaceQuestions);
    windows.AnswerPrompts({PromptButton::OK});
    EXPECT_EQ(CopyThroughDetails(f), root);
    ASSERT_EQ(windows.prompts.size(), 1u);
    EXPECT_EQ(windows.prompts[0].text, success);
    EXPECT_EQ(SizeOf(image), SizeOf(volume->Device())) << "the old file's tail was left behind";
    EXPECT_EQ(Sha256(image), deviceSum);
    ExpectAtRest(f, fdsBefore, volume->Device());
  };

  // First copy: no file yet, so nothing to ask about.
  copyWithYes();
  EXPECT_EQ(replaceQuestions, 0);

  // The copy list was rebuilt with the first row selected: pick the drive again.
  ASSERT_TRUE(ClickDriveRow(f, letter));
  // Something else, and longer than the volume, now lies in the image's place.
  const std::string other(static_cast<std::size_t>(SizeOf(volume->Device())) + (1u << 20), '\xEE');
  WriteFile(image, other);

  // Second copy onto it: asked, Yes, replaced whole.
  copyWithYes();
  EXPECT_EQ(replaceQuestions, 1);

  // Third: No at the question keeps the file; the request ends silently.
  ASSERT_TRUE(ClickDriveRow(f, letter));
  WriteFile(image, other);
  windows.prompts.clear();
  replaceQuestions = 0;
  TypeIntoSaveDialog(image, QMessageBox::No, &replaceQuestions);
  windows.AnswerPrompts({});
  CopyThroughDetails(f);
  EXPECT_EQ(replaceQuestions, 1);
  EXPECT_TRUE(windows.prompts.empty());
  EXPECT_TRUE(ReadFile(image) == other) << "the file was touched although the user said No";
  ExpectAtRest(f, fdsBefore, volume->Device());
  EXPECT_TRUE(CanOpenExclusive(volume->Device()));
}

}  // namespace
}  // namespace vorkan::test
