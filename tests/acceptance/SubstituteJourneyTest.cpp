// SPDX-License-Identifier: GPL-3.0-or-later
// Media that fail in ways real devices will not show on demand, through the
// real windows over the file-backed volume layer: a read error in the middle
// of the copy, and a medium pulled out before the first block.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCheckBox>

#include "ByteSize.h"
#include "CopyJob.h"
#include "Journey.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

constexpr std::size_t kMediumSize = 16u << 20;
constexpr std::int64_t kFailAt = 8 << 20;

class SubstituteJourney : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = PatternBytes(kMediumSize, 21);
    WriteFile(dir_ / "medium.img", data_);
    WriteFile(dir_ / "system.img", std::string(4096, '\0'));
    FileVolume system;
    system.path = dir_ / "system.img";
    system.label = "SYSTEM";
    system.totalFreeBytes = std::int64_t{1} << 40;
    system.folder = dir_.Path();
    ops_.AddVolume('C', system);
    FileVolume medium;
    medium.path = dir_ / "medium.img";
    medium.driveType = DriveKind::Removable;
    medium.label = "MEDIUM";
    ops_.AddVolume('E', medium);
    ops_.SetPathLetter(dir_.Path(), 'C');
  }

  // Copies drive E: from the main window into `image_`.
  void CopyMedium(Windows& windows, std::vector<PromptButton> answers) {
    MainWindow& f = windows.main();
    ASSERT_TRUE(ClickDriveRow(f, 'E'));
    Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
    TypeIntoSaveDialog(image_);
    windows.AnswerPrompts(std::move(answers));
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  }

  void ExpectNothingHeld() {
    EXPECT_EQ(ops_.locksHeld, 0);
    EXPECT_EQ(ops_.lockRequests, ops_.unlockRequests);
    EXPECT_EQ(ops_.openVolumes, 0);
    EXPECT_EQ(ops_.openImages, 0);
  }

  TempDir dir_;
  std::string data_;
  CountingVolumeOps ops_;
  const std::string image_ = dir_ / "medium.IMA";
};

TEST_F(SubstituteJourney, ReadErrorThenRetryWhenTheMediumAnswersAgain) {
  ops_.Volume('E').failReadAt = kFailAt;
  ops_.Volume('E').failReads = 1;
  Windows windows(ops_);
  const int fdsBefore = OpenDescriptorCount();
  CopyMedium(windows, {PromptButton::Retry, PromptButton::OK});

  ASSERT_EQ(windows.prompts.size(), 2u);
  EXPECT_EQ(windows.prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(windows.prompts[0].text, "Диск E:\\ отсутствует или ошибка чтения!");
  EXPECT_EQ(windows.prompts[1].kind, PromptKind::Information);
  EXPECT_EQ(windows.prompts[1].text, "Диск E:\\ успешно скопирован в " + image_ + ".");
  EXPECT_TRUE(ReadFile(image_) == data_) << "the image after the retry is not the medium";
  ExpectNothingHeld();
  ExpectAtRest(windows.main(), fdsBefore);
}

TEST_F(SubstituteJourney, ReadErrorThenCancelKeepsOrDeletesThePart) {
  ops_.Volume('E').failReadAt = kFailAt;  // the medium never answers again
  Windows windows(ops_);
  const int fdsBefore = OpenDescriptorCount();
  const std::int64_t total = static_cast<std::int64_t>(kMediumSize) - TailMargin;
  const std::string keepQuestion = "Вы хотите сохранить " + FormatByteSize(kFailAt) +
                                   " незавершенного файла (" + FormatByteSize(total - kFailAt) + " из " +
                                   FormatByteSize(total) + " отсутствует)?";
  for (const PromptButton keep : {PromptButton::Yes, PromptButton::No}) {
    SCOPED_TRACE(keep == PromptButton::Yes ? "kept" : "deleted");
    windows.prompts.clear();
    ::unlink(image_.c_str());  // an earlier image of the name would stay after No
    CopyMedium(windows, {PromptButton::Cancel, keep});

    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(windows.prompts[0].text, "Диск E:\\ отсутствует или ошибка чтения!");
    EXPECT_EQ(windows.prompts[1].kind, PromptKind::Confirmation);
    EXPECT_EQ(windows.prompts[1].text, keepQuestion);
    // Over the progress window, the one shown while the main window is hidden.
    EXPECT_EQ(windows.prompts[0].owner, "ProgressWindow");
    EXPECT_EQ(windows.prompts[1].owner, "ProgressWindow");
    if (keep == PromptButton::Yes) {
      EXPECT_TRUE(ReadFile(image_) == data_.substr(0, kFailAt))
          << "the kept part is not the medium's beginning";
    } else {
      EXPECT_FALSE(Exists(image_)) << "No left the part on disk";
    }
    ExpectNothingHeld();
    ExpectAtRest(windows.main(), fdsBefore);
  }
}

TEST_F(SubstituteJourney, MediumRemovedBeforeTheFirstBlock) {
  ops_.Volume('E').failReadAt = 0;
  Windows windows(ops_);
  const int fdsBefore = OpenDescriptorCount();
  bool progressShown = false;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout,
                   [&] { progressShown = progressShown || progressWindow->isVisible(); });
  watcher.start();
  CopyMedium(windows, {PromptButton::OK});
  watcher.stop();

  ASSERT_EQ(windows.prompts.size(), 1u);
  EXPECT_EQ(windows.prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(windows.prompts[0].text, "Диск E:\\ пуст, или ошибка чтения!");
  EXPECT_FALSE(progressShown) << "a progress window for a copy that never read a byte";
  EXPECT_FALSE(Exists(image_)) << "an empty image was left behind";
  ExpectNothingHeld();
  ExpectAtRest(windows.main(), fdsBefore);
}

}  // namespace
}  // namespace vorkan::test
