// SPDX-License-Identifier: GPL-3.0-or-later
// Whole copies of real loop-device volumes from the main window, over the
// Linux volume layer: a complete one with the lock, and one the user ends by
// closing the program while it runs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

#include "LoopDevice.h"
#include "MainWindowDriver.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

class CountingLinuxVolumeOps : public LinuxVolumeOps {
 public:
  void RefreshDrives() override {
    ++refreshes;
    LinuxVolumeOps::RefreshDrives();
  }
  int refreshes = 0;
};

bool CanOpenExclusive(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Notes that a window was shown.
struct ShowWatcher : QObject {
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) shown = true;
    return false;
  }
  bool shown = false;
};

class MainWindowLoopCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why = LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
    if (!HaveTool("mkfs.ext4")) GTEST_SKIP() << "needs mkfs.ext4 for the target volume";
    // The source: 24 MiB of patterned data, not mounted, so it can be locked.
    source_ = PatternBytes(24u << 20, 11);
    WriteFile(dir_ / "source.img", source_);
    sourceLoop_ = std::make_unique<LoopDevice>(dir_ / "source.img");
    ASSERT_TRUE(sourceLoop_->Ok()) << "losetup of the source failed";
    // The target: a mounted ext4 volume with room for the image.
    VolumeShape roomy;
    roomy.size = "64M";
    target_ = TestVolume::Make(VolumeKind::Ext4, dir_ / "target", why, roomy);
    ASSERT_TRUE(target_) << why;
    ASSERT_TRUE(target_->Mount(dir_ / "mnt", why)) << why;
  }
  void TearDown() override {
    target_.reset();
    sourceLoop_.reset();
  }

  // Selects the source's row with the mouse; false when it has no row.
  bool SelectSource(MainWindow& f, CountingLinuxVolumeOps& ops) {
    const char letter = ops.Map().LetterOfDevice(sourceLoop_->Name());
    if (letter == 0) return false;
    return ClickDriveRow(f, letter);
  }

  TempDir dir_;
  std::string source_;
  std::unique_ptr<LoopDevice> sourceLoop_;
  std::unique_ptr<TestVolume> target_;
};

TEST_F(MainWindowLoopCopy, WholeVolumeWithTheLockGivesAnIdenticalImage) {
  CountingLinuxVolumeOps ops;
  Windows windows(ops);
  MainWindow& f = windows.main();
  ASSERT_TRUE(SelectSource(f, ops)) << "no row for " << sourceLoop_->Device();
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string image = dir_ / "mnt/copy.IMA";
  TypeIntoSaveDialog(image);
  windows.AnswerPrompts({PromptButton::OK});
  const int refreshesBefore = ops.refreshes;
  ShowWatcher progress;
  progressWindow->installEventFilter(&progress);

  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);

  EXPECT_TRUE(progress.shown);
  ASSERT_EQ(windows.prompts.size(), 1u);
  EXPECT_EQ(windows.prompts[0].kind, PromptKind::Information);
  EXPECT_NE(windows.prompts[0].text.find("успешно скопирован в " + image), std::string::npos);
  EXPECT_TRUE(ReadFile(image) == source_) << "image differs from the volume";
  // The window as before the copy.
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
  EXPECT_EQ(f.abortRequested, 0);
  EXPECT_EQ(f.pauseRequested, 0);
  EXPECT_TRUE(Control<QCheckBox>(f, "lockCheckBox")->isChecked());
  for (const char* name : kCopyControls) EXPECT_TRUE(Control<QWidget>(f, name)->isEnabled()) << name;
  EXPECT_EQ(ops.refreshes, refreshesBefore + 1);
  EXPECT_EQ(f.SelectedIndex(), 0);
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(progressWindow->isVisible());
  // Nothing held: the lock is gone and no descriptor stayed open.
  EXPECT_TRUE(CanOpenExclusive(sourceLoop_->Device()));
  EXPECT_EQ(OpenDescriptorCount(), fdsBefore);
}

TEST_F(MainWindowLoopCopy, ClosingTheWindowDuringTheCopyEndsItAndKeepsThePartialImage) {
  CountingLinuxVolumeOps ops;
  Windows windows(ops);
  MainWindow& f = windows.main();
  ASSERT_TRUE(SelectSource(f, ops));
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string image = dir_ / "mnt/part.IMA";
  TypeIntoSaveDialog(image);
  windows.AnswerPrompts({});  // any box that waited for the user would be seen here

  // From inside the job's event pump, once some data is written: the close
  // command a task bar sends to the (hidden) main window.
  bool closed = false;
  std::uint8_t abortSeen = 0;
  std::function<void()> closeLater = [&] {
    if (progressWindow->isVisible() && SizeOfImageBeingWritten(image) >= (2 << 20)) {
      f.close();
      closed = true;
      abortSeen = f.abortRequested;
    } else {
      QTimer::singleShot(0, closeLater);
    }
  };
  QTimer::singleShot(0, closeLater);

  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);

  ASSERT_TRUE(closed);
  EXPECT_EQ(abortSeen, 1);
  EXPECT_TRUE(Application::Instance().IsTerminating());
  EXPECT_TRUE(windows.prompts.empty()) << "a prompt waited: " << windows.prompts[0].text;
  // The abort ending, with the keep question answered Cancel: the prefix stays.
  const std::string written = ReadFile(image);
  EXPECT_GE(written.size(), 2u << 20);
  EXPECT_LT(written.size(), source_.size());
  EXPECT_TRUE(source_.compare(0, written.size(), written) == 0) << "partial image is not the volume's prefix";
  // The closed window is not given back, and the request cleaned up.
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(progressWindow->isVisible());
  EXPECT_EQ(f.abortRequested, 0);
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
  EXPECT_TRUE(CanOpenExclusive(sourceLoop_->Device()));
  EXPECT_EQ(OpenDescriptorCount(), fdsBefore);
}

}  // namespace
}  // namespace vorkan::test
