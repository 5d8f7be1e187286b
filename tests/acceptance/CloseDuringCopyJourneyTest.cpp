// SPDX-License-Identifier: GPL-3.0-or-later
// A user closes the program while a copy runs (from the task bar: the main
// window is hidden then). The copy stops at the next block, nothing waits for
// an answer, and the message loop ends, as the program's main() runs it.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "Journey.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

TEST(CloseDuringCopyJourney, ProgramEndsAndKeepsThePrefix) {
  const std::string why = LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
  TempDir dir;
  // Big enough that the copy is still running when the close arrives.
  WriteFile(dir / "big.img", PatternBytes(64u << 20, 77));
  LoopDevice source(dir / "big.img");
  ASSERT_TRUE(source.Ok());

  LinuxVolumeOps ops;
  Windows windows(ops);
  MainWindow& f = windows.main();
  ASSERT_TRUE(ClickDriveRow(f, ops.Map().LetterOfDevice(source.Name())));
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string image = dir / "part.IMA";
  TypeIntoSaveDialog(image);
  windows.AnswerPrompts({});  // a prompt that waited for the user would be recorded here

  bool copyReturned = false, closed = false, loopStillRunning = false;
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
    copyReturned = true;
  });
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!progressWindow->isVisible() || SizeOfImageBeingWritten(image) < (4 << 20)) return;
    closer.stop();
    f.close();
    closed = true;
  });
  closer.start();

  const int status = ExecWithWatchdog(loopStillRunning);
  closer.stop();

  ASSERT_TRUE(closed) << "the copy ended before the close came";
  EXPECT_FALSE(loopStillRunning) << "the message loop did not end after the close";
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(copyReturned) << "the loop ended inside the copy";
  EXPECT_TRUE(windows.prompts.empty()) << "a prompt waited: " << windows.prompts[0].text;
  const std::string written = ReadFile(image);
  EXPECT_GE(written.size(), 4u << 20);
  EXPECT_LT(written.size(), 64u << 20) << "the copy ran on to the end";
  EXPECT_EQ(Sha256(image), Sha256OfPrefix(source.Device(), static_cast<std::int64_t>(written.size())));
  EXPECT_TRUE(CanOpenExclusive(source.Device())) << "the lock outlived the program's loop";
  EXPECT_EQ(OpenDescriptorCount(), fdsBefore);
  EXPECT_FALSE(HoldsDescriptorOn(source.Device()));
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(progressWindow->isVisible());
  EXPECT_EQ(f.abortRequested, 0);
  EXPECT_EQ(f.pauseRequested, 0);
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
}

}  // namespace
}  // namespace vorkan::test
