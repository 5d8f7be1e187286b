// SPDX-License-Identifier: GPL-3.0-or-later
// Copies through the real windows from slow loop volumes (over faulty_fs,
// their reads held to a rate): while a read waits the windows go on, so a timer keeps firing
// and the progress window's Pause and its Abort with the question act, and
// the job sees them once the block is in, as between any two blocks; a close
// of the main window ends the copy at once, and the program with it; with
// the asynchronous read refused, the timer only gets through between blocks,
// as it always did. A volume whose storage goes away mid-copy ends as it
// always did on both roads. The drive list never waits for a slow volume.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>

#include "ByteSize.h"
#include "FaultyDevice.h"
#include "MainWindowDriver.h"
#include "ProgressGauge.h"
#include "TestSupport.h"
#include "volume/AsyncRead.h"
#include "volume/LinuxVolumeOps.h"
#include "PromptAnswers.h"

namespace vorkan::test {
namespace {

class MainWindowSlowRead : public ::testing::Test {
 protected:
  void TearDown() override { AsyncRead::Refuse(false); }

  // A loop volume of `blocks` blocks of patterned data over `file` (with a
  // FAT file system of that label over it when one is given), its reads
  // slowed to `bytesPerSecond`; empty, or why not.
  std::string SlowSource(const std::string& file, int blocks, long bytesPerSecond,
                         const std::string& label = {}) {
    const std::string why = FaultyDevicesUnavailable();
    if (!why.empty()) return "needs a slow device: " + why;
    source_.reset();
    bytes = PatternBytes(std::size_t(blocks) * CopyBlockSize, 17);
    WriteFile(file, bytes);
    if (!label.empty() && test::Run("mkfs.vfat -n " + label + " " + Quote(file)).status != 0)
      return "mkfs.vfat failed";
    source_ = std::make_unique<FaultyDevice>(file);
    if (!source_->Ok()) return source_->Error();
    device_ = source_->Device();
    // Every reader of the device is slowed, so only once the system's own
    // probe of the new device is done.
    test::Run("udevadm settle -t 10");
    if (!source_->Set({.readRate = bytesPerSecond})) return "faulty_fs took no rate";
    return {};
  }
  // The daemon behind the volume killed: every read fails with EIO.
  void PullMedium() { source_->Pull(); }

  // Reads come from the device again, not from what was cached of it.
  void DropCache() {
    const int fd = ::open(device_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }

  // Copies the source into `image` through the windows, answering prompts
  // with `answers`; `tick` runs every 20 ms while the progress window is up.
  // With `inLoop` the copy button is pressed from the application's own
  // event loop, as in the program, where closing the main window quits it.
  void Copy(LinuxVolumeOps& ops, Windows& windows, const std::string& image,
            std::vector<PromptButton> answers, const std::function<void()>& tick, bool inLoop = false) {
    DropCache();
    MainWindow& f = windows.main();
    ASSERT_TRUE(ClickDriveRow(f, Letter(ops)));
    TypeIntoSaveDialog(image);
    windows.AnswerPrompts(std::move(answers));
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (progressWindow != nullptr && progressWindow->isVisible()) tick();
    });
    timer.start();
    if (!inLoop) {
      QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
      return;
    }
    bool returned = false;
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
      returned = true;
      QCoreApplication::exit(0);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(120000);
    EXPECT_EQ(QApplication::exec(), 0) << "the copy did not end";
    EXPECT_TRUE(returned) << "the program's loop ended inside the copy";
  }
  char Letter(LinuxVolumeOps& ops) const {
    return ops.Map().LetterOfDevice(device_.substr(device_.rfind('/') + 1));
  }

  TempDir dir;
  std::string bytes;
  std::string device_;  // the slow volume's node

 private:
  std::unique_ptr<FaultyDevice> source_;
};

// Watches the image grow; a read is waiting once its size has stood still
// for five ticks (a tenth of a second) after the first block: a window that
// waited with the read would get no tick in meanwhile.
struct ReadWatch {
  explicit ReadWatch(std::string image) : image(std::move(image)) {}
  bool Waiting() {
    const std::int64_t now = SizeOfImageBeingWritten(image);
    still = now == size ? still + 1 : 0;
    size = now;
    return size >= CopyBlockSize && still >= 5;
  }
  std::string image;
  std::int64_t size = -1;
  int still = 0;
};

constexpr int kBlocks = 6;

TEST_F(MainWindowSlowRead, TheWindowsGoOnWhileAReadWaits) {
  const std::string why = SlowSource(dir / "slow.img", kBlocks, 4 * CopyBlockSize);
  if (!why.empty()) GTEST_SKIP() << why;
  struct Row {
    const char* what;
    bool refused;
  };
  for (const Row row : {Row{"asynchronous", false}, Row{"refused", true}}) {
    SCOPED_TRACE(row.what);
    AsyncRead::Refuse(row.refused);
    LinuxVolumeOps ops;
    Windows windows(ops);
    const std::string image = dir / (std::string(row.what) + ".IMA");
    // At the second tick, Pause, and a dozen after the copy shows it is
    // paused (a paused copy pumps events all the time), Pause again.
    int ticks = 0, pausedAt = -1;
    bool sawPaused = false;
    Copy(ops, windows, image, {PromptButton::OK}, [&] {
      ++ticks;
      auto* pause = progressWindow->findChild<QPushButton*>(QStringLiteral("pauseButton"));
      if (!sawPaused && progressWindow->windowTitle().startsWith(QStringLiteral("[ПАУЗА]"))) {
        sawPaused = true;
        pausedAt = ticks;
      }
      if (ticks == 2 || (pausedAt > 0 && ticks == pausedAt + 12)) QTest::mouseClick(pause, Qt::LeftButton);
    });

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
}

// While a read waits the progress window repaints, and the Abort button's
// question and the main window's close request (the task bar's, the main
// window being hidden) act at once. After Abort's Yes the job takes the block
// in and then ends, keeping one block more than when the user acted; a close
// leaves the read to the kernel and ends the copy at once, keeping exactly
// the blocks that were in.
TEST_F(MainWindowSlowRead, AbortAndCloseActWhileAReadWaits) {
  const std::string why = SlowSource(dir / "slow.img", 12, 2 * CopyBlockSize);
  if (!why.empty()) GTEST_SKIP() << why;
  const std::string keepText = "Вы хотите сохранить ";
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close ? "close request" : "Abort");
    LinuxVolumeOps ops;
    Windows windows(ops);
    const std::string image = dir / (close ? "closed.IMA" : "aborted.IMA");
    ReadWatch watch(image);
    std::int64_t actedAt = -1, askedAt = -1, paintAskedAt = -1;
    int paintsBefore = 0, ticksAfter = 0;
    Copy(
        ops, windows, image, {PromptButton::Yes, PromptButton::Yes},
        [&] {
          if (actedAt >= 0 && SizeOfImageBeingWritten(image) == actedAt) ++ticksAfter;
          if (actedAt >= 0 || !watch.Waiting()) return;
          // First a repaint of the gauge is asked for; the user acts once it
          // has come, the same read still waiting.
          if (paintAskedAt != watch.size) {
            paintAskedAt = watch.size;
            paintsBefore = progressWindow->Gauge().PaintCount();
            progressWindow->Gauge().update();
            return;
          }
          if (progressWindow->Gauge().PaintCount() == paintsBefore) return;
          actedAt = watch.size;
          if (close) {
            windows.main().close();
            return;
          }
          const auto answer = vorkan::test::AnswerPrompts({});
          vorkan::test::AnswerPrompts([&, answer](PromptBox& form) {
            askedAt = SizeOfImageBeingWritten(image);
            vorkan::test::AnswerPrompts(answer);
            answer(form);
          });
          QTest::mouseClick(progressWindow->findChild<QPushButton*>(QStringLiteral("abortButton")),
                            Qt::LeftButton);
        },
        true);

    ASSERT_GT(actedAt, 0) << "no repaint while a read waited";
    const std::int64_t kept = close ? actedAt : actedAt + CopyBlockSize;
    if (close) {
      // A closing program asks nothing: the keep question is answered Cancel, which keeps.
      EXPECT_TRUE(windows.prompts.empty()) << windows.prompts[0].text;
      EXPECT_FALSE(windows.main().isVisible());
    } else {
      // The windows went on after the user acted, until the block was in.
      EXPECT_GT(ticksAfter, 2) << "the windows stood still while the read ended";
      EXPECT_EQ(askedAt, actedAt) << "the question came only after the read";
      ASSERT_EQ(windows.prompts.size(), 2u);
      EXPECT_EQ(windows.prompts[0].text, "Вы действительно хотите прервать данную операцию?");
      EXPECT_EQ(windows.prompts[1].text.rfind(keepText + FormatByteSize(kept) + " незавершенного", 0), 0u)
          << windows.prompts[1].text << " (" << kept << " bytes kept)";
    }
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_TRUE(ReadFile(image) == bytes.substr(0, std::size_t(kept)))
        << "the image is not the first " << kept << " bytes of the volume: " << SizeOf(image);
  }
}

// The program closed while a read waits on a drive that hardly answers (a
// block takes two seconds): the process is gone within a second of the
// close, and the image keeps exactly the blocks that were in. The program is
// this test run again in a child process.
TEST_F(MainWindowSlowRead, TheProgramEndsAtOnceWhenClosedDuringARead) {
  using Clock = std::chrono::steady_clock;
  if (const char* closing = std::getenv("VORKAN_CLOSING")) {
    std::string folder;
    std::istringstream(closing) >> folder >> device_;
    LinuxVolumeOps ops;
    Windows windows(ops);
    ReadWatch watch(folder + "/closed.IMA");
    bool closed = false;
    Copy(
        ops, windows, watch.image, {},
        [&] {
          if (closed || !watch.Waiting()) return;
          closed = true;
          WriteFile(folder + "/closed.txt", std::to_string(Clock::now().time_since_epoch().count()) + " " +
                                                std::to_string(watch.size));
          windows.main().close();
        },
        true);
    EXPECT_TRUE(closed && windows.prompts.empty())
        << "not closed, or a prompt came: " << (windows.prompts.empty() ? "" : windows.prompts[0].text);
    return;  // the process ends as the program does
  }
  const std::string why = SlowSource(dir / "slow.img", 6, CopyBlockSize / 2);
  if (!why.empty()) GTEST_SKIP() << why;
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("VORKAN_CLOSING", (dir.Path() + " " + device_).c_str(), 1);
    ::execl("/proc/self/exe", "mainwindow_tests",
            "--gtest_filter=*.TheProgramEndsAtOnceWhenClosedDuringARead", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  const Clock::rep gone = Clock::now().time_since_epoch().count();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the closed program failed (see above)";
  long long closedAt = 0, kept = 0;
  std::istringstream(ReadFile(dir / "closed.txt")) >> closedAt >> kept;
  const double seconds = std::chrono::duration<double>(Clock::duration(gone - closedAt)).count();
  std::cout << "the program was gone " << seconds << " s after the close\n";
  EXPECT_LT(seconds, 1.0) << "the program waited for the read";
  EXPECT_TRUE(kept > 0 && ReadFile(dir / "closed.IMA") == bytes.substr(0, std::size_t(kept)))
      << "the image is not the first " << kept << " bytes of the volume";
}

// The drive list over a volume whose reads crawl (40 KB/s, a dying drive):
// neither the first fill nor the refreshes wait for it, so a timer keeps
// firing; the volume keeps its row meanwhile, and shows its label at a
// refresh once its probe has answered.
TEST_F(MainWindowSlowRead, TheDriveListDoesNotWaitForASlowVolume) {
  using Clock = std::chrono::steady_clock;
  const auto since = [](Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
  };
  const std::string why = SlowSource(dir / "fat.img", 8, 40000, "SLOWVOL");
  if (!why.empty()) GTEST_SKIP() << why;
  DropCache();
  LinuxVolumeOps ops;
  Clock::time_point tick = Clock::now();
  Windows windows(ops);
  const double built = since(tick);
  // The label cell of the volume's row, "-" when it has none.
  const QString root = QString(QChar(Letter(ops))) + ":\\";
  const auto label = [&] {
    const int row = RowOfDrive(windows.main(), root);
    return row < 0 ? QStringLiteral("-") : CellText(windows.main(), row, DriveTableModel::Column::Label);
  };
  EXPECT_EQ(label(), QString()) << "no row, or the list waited for the slow volume";
  double longestGap = 0;
  QTimer ticker, refresher;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, since(tick));
    tick = Clock::now();
    if (label() == "SLOWVOL") QCoreApplication::exit(0);
  });
  QObject::connect(&refresher, &QTimer::timeout, [&] {
    QTest::mouseClick(Control<QPushButton>(windows.main(), "refreshButton"), Qt::LeftButton);
  });
  QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
  tick = Clock::now();
  ticker.start(20);
  refresher.start(300);
  EXPECT_EQ(QApplication::exec(), 0) << "the slow volume's label never showed";
  std::cout << "first fill " << built << " s, longest stop of the windows " << longestGap << " s\n";
  EXPECT_LT(built, 0.5);
  EXPECT_LT(longestGap, 0.5) << "a refresh waited for the slow volume";
}

// The storage behind the volume goes mid-copy (the daemon serving the loop
// device is killed: every read fails with EIO): the copy says the
// drive is missing, Cancel leads to the keep question, and No leaves
// nothing, on both roads alike.
TEST_F(MainWindowSlowRead, AVolumeThatGoesMidCopyEndsAsItAlwaysDid) {
  struct Row {
    const char* what;
    bool refused;
  };
  for (const Row row : {Row{"asynchronous", false}, Row{"refused", true}}) {
    SCOPED_TRACE(row.what);
    // Blocks enough that what the kernel read ahead before the pull cannot finish the copy.
    const std::string why = SlowSource(dir / (std::string(row.what) + ".bin"), 32, 4 * CopyBlockSize);
    if (!why.empty()) GTEST_SKIP() << why;
    AsyncRead::Refuse(row.refused);
    LinuxVolumeOps ops;
    Windows windows(ops);
    const std::string folder = dir / row.what;
    test::Run("mkdir -p " + Quote(folder));
    const std::string image = folder + "/gone.IMA";
    const char letter = Letter(ops);
    bool pulled = false;
    Copy(ops, windows, image, {PromptButton::Cancel, PromptButton::No}, [&] {
      if (pulled || SizeOfImageBeingWritten(image) < 2 * std::int64_t(CopyBlockSize)) return;
      pulled = true;
      PullMedium();
    });
    ASSERT_TRUE(pulled) << "the copy ended before the medium could be pulled";
    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(windows.prompts[0].text, std::string("Диск ") + letter + ":\\ отсутствует или ошибка чтения!");
    EXPECT_EQ(windows.prompts[0].kind, PromptKind::Error);
    EXPECT_EQ(windows.prompts[1].text.rfind("Вы хотите сохранить ", 0), 0u) << windows.prompts[1].text;
    EXPECT_TRUE(ListFolder(folder).empty()) << "No left " << ListFolder(folder).front();
    EXPECT_FALSE(progressWindow->isVisible());
  }
}

}  // namespace
}  // namespace vorkan::test
