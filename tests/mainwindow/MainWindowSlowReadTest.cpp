// A copy through the real windows from a slow loop volume (its reads
// throttled to a quarter of a block a second): while a read waits the
// windows go on, so a timer keeps firing and the progress window's Pause
// acts, and the image is the volume all the same; with the asynchronous read
// refused, the timer only gets through between blocks, as it always did.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

#include "LoopDevice.h"
#include "MainWindowDriver.h"
#include "ReadThrottle.h"
#include "TestSupport.h"
#include "volume/AsyncRead.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

constexpr int kBlocks = 6;

TEST(MainWindowSlowRead, TheWindowsGoOnWhileAReadWaits) {
  const std::string why = LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
  TempDir dir;
  const std::string bytes = PatternBytes(kBlocks * CopyBlockSize, 17);
  WriteFile(dir / "slow.img", bytes);
  LoopDevice source(dir / "slow.img");
  ASSERT_TRUE(source.Ok()) << source.Error();
  ReadThrottle throttle(source.Device(), 4 * CopyBlockSize);
  if (!throttle.Ok() || !throttle.Add(::getpid())) GTEST_SKIP() << "no blkio throttle here (cgroup v1, root)";

  struct Row {
    const char* what;
    bool refused;
  };
  for (const Row row : {Row{"asynchronous", false}, Row{"refused", true}}) {
    SCOPED_TRACE(row.what);
    AsyncRead::Refuse(row.refused);
    // Read from the device again, not from what the last round cached.
    const int fd = ::open(source.Device().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    LinuxVolumeOps ops;
    Windows windows(ops);
    TForm1& f = windows.main();
    ASSERT_TRUE(ClickDriveRow(f, ops.Map().LetterOfDevice(source.Name())));
    const std::string image = dir / (std::string(row.what) + ".IMA");
    TypeIntoSaveDialog(image);
    windows.AnswerPrompts({PromptButton::OK});

    // Ticks while the progress window is up; at the second, Pause, and a
    // dozen after the copy shows it is paused (a paused copy pumps events
    // all the time), Pause again.
    int ticks = 0, pausedAt = -1;
    bool sawPaused = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (Form2 == nullptr || !Form2->isVisible()) return;
      ++ticks;
      auto* pause = Form2->findChild<QPushButton*>(QStringLiteral("Button3"));
      if (!sawPaused && Form2->windowTitle().startsWith(QStringLiteral("[ПАУЗА]"))) {
        sawPaused = true;
        pausedAt = ticks;
      }
      if (ticks == 2 || (pausedAt > 0 && ticks == pausedAt + 12)) QTest::mouseClick(pause, Qt::LeftButton);
    });
    timer.start();
    QTest::mouseClick(Control<QPushButton>(f, "Button1"), Qt::LeftButton);
    timer.stop();

    ASSERT_EQ(windows.prompts.size(), 1u);
    EXPECT_EQ(windows.prompts[0].text.rfind("Диск ", 0), 0u) << windows.prompts[0].text;
    EXPECT_TRUE(ReadFile(image) == bytes) << "the image is not the volume";
    EXPECT_TRUE(sawPaused) << "Pause never showed";
    // Each block takes about a quarter of a second and more to read: a
    // window that goes on gets many ticks in; one that waits with the read
    // gets about one per block report and while paused.
    if (row.refused) {
      EXPECT_LT(ticks, 16 + 2 * kBlocks) << "the timer ran while a blocking read waited";
    } else {
      EXPECT_GT(ticks, 16 + 2 * kBlocks) << "the windows waited with the read";
    }
  }
  AsyncRead::Refuse(false);
}

}  // namespace
}  // namespace vorkan::test
