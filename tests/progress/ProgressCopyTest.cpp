// SPDX-License-Identifier: GPL-3.0-or-later
// Whole copies through the real progress window: the job pumps events inside
// every report, and the test presses the window's buttons from inside those
// pumps, as a user would.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "Application.h"
#include "CopyJob.h"
#include "CopySource.h"
#include "LocaleSeparators.h"
#include "ProcessPriority.h"
#include "ProgressHost.h"
#include "ProgressGauge.h"

namespace vorkan {
namespace {

using test::CopySource;
using test::ProgressHost;
using test::Snapshot;

constexpr std::size_t kBlock = 262144;
// 24 whole blocks and a short one.
constexpr std::size_t kVolumeSize = 24 * kBlock + 3 * 512;

class ProgressCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OverrideSeparators(std::string(","), std::string(" "));
    if (!volume.Problem().empty()) GTEST_SKIP() << volume.Problem();
    std::printf("[   INFO   ] source: %s\n", volume.Describe().c_str());
  }
  void TearDown() override {
    OverrideSeparators(std::nullopt, std::nullopt);
    Application::Instance().Restore();
  }
  bool Copy(ProgressHost& host, const std::string& target) {
    const bool result = CopyDiskToImage(volume.Ops(), host, volume.Letter(), target);
    // As the copy request does once the job has returned.
    host.abortRequested = 0;
    host.pauseRequested = 0;
    Application::Instance().Restore();
    return result;
  }
  std::string Caption(bool paused) const {
    return std::string(paused ? "[ПАУЗА] " : "") + "Копирование диска " + volume.Letter() + ":\\";
  }
  static void ExpectMainWindowGoneDuringTheJob(const ProgressHost& host) {
    for (std::size_t i = 0; i < host.reports.size(); ++i) {
      SCOPED_TRACE("report " + std::to_string(i + 1));
      EXPECT_TRUE(host.reports[i].formVisible);
      EXPECT_FALSE(host.reports[i].mainVisible);
      EXPECT_FALSE(host.reports[i].mainEnabled);
      EXPECT_GE(host.reports[i].maximum, 0);
    }
  }
  static void ExpectMainWindowBack(ProgressHost& host) {
    EXPECT_EQ(host.hides, 1);
    EXPECT_FALSE(host.form.isVisible());
    EXPECT_TRUE(host.mainWindow.isVisible());
    EXPECT_TRUE(host.mainWindow.isEnabled());
    EXPECT_EQ(host.Label("statusText")->text(), "Копирование диска...");
    EXPECT_EQ(host.Button("pauseButton")->text(), "Пауза");
    EXPECT_EQ(host.Priority()->currentIndex(), 1);
  }

  CopySource volume{kVolumeSize, 11};
};

TEST_F(ProgressCopyTest, PauseAndResumeWithTheirTextsCaptionsAndTitles) {
  ProgressHost host;
  const std::string target = volume.Target("диск_e.IMA");
  constexpr int kPauseAt = 3, kResumeAt = 9;  // six paused passes in between
  host.DuringReport(kPauseAt, [&] { QTest::mouseClick(host.Button("pauseButton"), Qt::LeftButton); });
  host.DuringReport(kResumeAt, [&] { QTest::mouseClick(host.Button("pauseButton"), Qt::LeftButton); });

  ASSERT_TRUE(Copy(host, target));
  EXPECT_EQ(test::ReadFile(target), volume.Bytes());
  EXPECT_TRUE(host.prompts.empty());
  ExpectMainWindowGoneDuringTheJob(host);
  ExpectMainWindowBack(host);

  // 25 blocks, the read of 0 bytes, and the six paused passes.
  ASSERT_EQ(host.reports.size(), 26u + 6u);
  ASSERT_EQ(host.titles.size(), host.reports.size());
  const auto& r = host.reports;
  for (int i = 0; i < kPauseAt - 1; ++i) {
    EXPECT_EQ(r[i].pauseButton, "Пазуа");
    EXPECT_EQ(r[i].status, "Копирование диска...");
  }
  // Paused in the pump of report 3: that report still carries the running
  // caption; one more block is read before the paused passes begin.
  EXPECT_EQ(r[kPauseAt - 1].pauseButton, "Далее");
  EXPECT_EQ(r[kPauseAt - 1].status, "[ПАУЗА] ");
  EXPECT_EQ(r[kPauseAt - 1].caption, Caption(false));
  const std::string pausedDone = r[kPauseAt].doneText;
  EXPECT_NE(pausedDone, r[kPauseAt - 1].doneText);
  for (int i = kPauseAt; i < kResumeAt - 1; ++i) {
    SCOPED_TRACE("paused pass, report " + std::to_string(i + 1));
    EXPECT_EQ(r[i].caption, Caption(true));
    EXPECT_EQ(r[i].pauseButton, "Далее");
    EXPECT_EQ(r[i].status, "[ПАУЗА] ");
    EXPECT_EQ(r[i].doneText, pausedDone) << "no block is read while paused";
    EXPECT_EQ(r[i].pauseFlag, 1);
    EXPECT_EQ(host.titles[i].rfind("[ПАУЗА] Vorkan v1.2 - ", 0), 0u) << host.titles[i];
  }
  // Resumed in the pump of report 9 (a paused pass); the next report is the
  // unpaused one with the same figures, then blocks flow again.
  EXPECT_EQ(r[kResumeAt - 1].pauseButton, "Пазуа");
  EXPECT_EQ(r[kResumeAt - 1].status, "Копирование диска...");
  EXPECT_EQ(r[kResumeAt].caption, Caption(false));
  EXPECT_EQ(r[kResumeAt].doneText, pausedDone);
  EXPECT_EQ(host.titles[kResumeAt].rfind("Vorkan v1.2 - ", 0), 0u) << host.titles[kResumeAt];
  EXPECT_NE(r[kResumeAt + 1].doneText, pausedDone);
  for (std::size_t i = kResumeAt; i < r.size(); ++i) {
    EXPECT_EQ(r[i].pauseButton, "Пазуа");
    EXPECT_EQ(r[i].caption, Caption(false));
  }
  EXPECT_EQ(r.back().fileName, target);
  EXPECT_EQ(r.back().percent, 100);
  EXPECT_EQ(host.titles.back(), "Vorkan v1.2 - 100% (" + r.back().doneText + ")");
  // The gauge's percentage is the title's, report by report.
  for (std::size_t i = 0; i < r.size(); ++i)
    EXPECT_NE(host.titles[i].find(" - " + std::to_string(r[i].percent) + "% ("), std::string::npos) << i;
}

TEST_F(ProgressCopyTest, AbortAnsweredNoGoesOnAndYesStopsAfterExactlyOneMoreBlock) {
  ProgressHost host;
  const std::string target = volume.Target("abort.IMA");
  host.DuringReport(2, [&] {
    host.answers = {PromptButton::No};
    QTest::mouseClick(host.Button("abortButton"), Qt::LeftButton);
  });
  std::int64_t sizeAtYes = -1;
  host.DuringReport(6, [&] {
    host.answers = {PromptButton::Yes, PromptButton::Yes};  // abort; keep the incomplete image
    host.onPrompt = [&](const test::PromptCall& seen) {
      if (seen.text == "Вы действительно хотите прервать данную операцию?")
        sizeAtYes = test::SizeOfImageBeingWritten(target);
    };
    QTest::mouseClick(host.Button("abortButton"), Qt::LeftButton);
  });

  EXPECT_FALSE(Copy(host, target));
  ASSERT_EQ(host.prompts.size(), 3u);
  EXPECT_EQ(host.prompts[0].text, "Вы действительно хотите прервать данную операцию?");
  EXPECT_EQ(host.prompts[1].text, host.prompts[0].text);
  EXPECT_EQ(host.prompts[2].text.rfind("Вы хотите сохранить ", 0), 0u) << host.prompts[2].text;
  EXPECT_EQ(host.reports.size(), 6u) << "no report after the abort";
  EXPECT_EQ(host.reports[2].abortFlag, 0) << "No leaves the copy running";
  EXPECT_EQ(host.reports[5].abortFlag, 1);
  EXPECT_EQ(sizeAtYes, static_cast<std::int64_t>(6 * kBlock));
  EXPECT_EQ(test::SizeOf(target), sizeAtYes + static_cast<std::int64_t>(kBlock)) << "exactly one more block";
  EXPECT_EQ(test::ReadFile(target), volume.Bytes().substr(0, 7 * kBlock));
  ExpectMainWindowGoneDuringTheJob(host);
  ExpectMainWindowBack(host);
  EXPECT_EQ(host.Button("pauseButton")->text(), "Пауза");
}

TEST_F(ProgressCopyTest, AbortConfirmedWhilePausedReadsNoFurtherBlock) {
  ProgressHost host;
  const std::string target = volume.Target("paused-abort.IMA");
  host.DuringReport(2, [&] { QTest::mouseClick(host.Button("pauseButton"), Qt::LeftButton); });
  std::int64_t sizeAtYes = -1;
  host.DuringReport(6, [&] {
    host.answers = {PromptButton::Yes, PromptButton::Yes};
    host.onPrompt = [&](const test::PromptCall& seen) {
      if (sizeAtYes < 0) sizeAtYes = test::SizeOfImageBeingWritten(target);
      (void)seen;
    };
    QTest::mouseClick(host.Button("abortButton"), Qt::LeftButton);
  });

  EXPECT_FALSE(Copy(host, target));
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.reports.size(), 6u);
  EXPECT_EQ(host.reports[5].caption, Caption(true));
  EXPECT_EQ(sizeAtYes, static_cast<std::int64_t>(3 * kBlock));
  EXPECT_EQ(test::SizeOf(target), sizeAtYes) << "a block was read after the abort";
  // Ended while paused: the window is reset for the next job.
  ExpectMainWindowBack(host);
}

TEST_F(ProgressCopyTest, CloseBoxEscapeAndEnterDuringACopy) {
  ProgressHost host;
  const std::string target = volume.Target("keys.IMA");
  bool visibleAfterClose = false;
  host.DuringReport(2, [&] {
    host.answers = {PromptButton::No};
    host.form.close();
    visibleAfterClose = host.form.isVisible();
  });
  host.DuringReport(3, [&] { QTest::keyClick(&host.form, Qt::Key_Escape); });
  QWidget* focusAtEnter = nullptr;
  host.DuringReport(4, [&] {
    host.answers = {PromptButton::No};
    focusAtEnter = host.form.focusWidget();
    QTest::keyClick(focusAtEnter ? focusAtEnter : &host.form, Qt::Key_Return);
  });

  EXPECT_TRUE(Copy(host, target));
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_EQ(focusAtEnter, host.Button("abortButton"));
  ASSERT_EQ(host.prompts.size(), 2u) << "the close box and Enter ask; Esc does nothing";
  for (const auto& p : host.prompts) EXPECT_EQ(p.text, "Вы действительно хотите прервать данную операцию?");
  for (const Snapshot& s : host.reports) EXPECT_EQ(s.abortFlag, 0);
  EXPECT_EQ(test::ReadFile(target), volume.Bytes());
  ExpectMainWindowBack(host);
}

TEST_F(ProgressCopyTest, MinimisedCopyGoesOnAndTheNextJobShowsTheWindowCentredAndNormal) {
  ProgressHost host;
  const std::string first = volume.Target("first.IMA");
  const std::string second = volume.Target("second.IMA");
  bool firstPumpChecked = false;
  host.DuringReport(1, [&] {
    firstPumpChecked = true;
    EXPECT_EQ(host.form.windowTitle(), "Form2");
    EXPECT_EQ(host.Edit("fileNameField")->text(), "0");
    EXPECT_EQ(host.form.frameGeometry().topLeft(), test::CentredCorner(host.form));
  });
  host.DuringReport(2, [&] {
    host.form.move(5, 7);  // the user drags the window away
    QTest::mouseClick(host.Button("minimizeButton"), Qt::LeftButton);
  });
  ASSERT_TRUE(Copy(host, first));
  EXPECT_TRUE(firstPumpChecked);
  const std::size_t firstReports = host.reports.size();
  ASSERT_EQ(firstReports, 26u);
  EXPECT_FALSE(host.reports[0].formMinimized);
  for (std::size_t i = 1; i < firstReports; ++i) EXPECT_TRUE(host.reports[i].formMinimized) << i;
  // The task bar text kept following the job while minimised.
  EXPECT_NE(host.titles[2], host.titles[20]);
  EXPECT_EQ(host.titles[firstReports - 1].rfind("Vorkan v1.2 - 100% (", 0), 0u);
  EXPECT_EQ(test::ReadFile(first), volume.Bytes());
  ExpectMainWindowBack(host);
  EXPECT_EQ(host.form.pos(), QPoint(5, 7));
  const Snapshot last = host.reports.back();

  bool secondPumpChecked = false;
  host.DuringReport(static_cast<int>(firstReports) + 1, [&] {
    secondPumpChecked = true;
    // Shown again, centred and not minimised, still with the last job's values.
    EXPECT_TRUE(host.form.isVisible());
    EXPECT_FALSE(host.form.isMinimized());
    EXPECT_EQ(host.form.frameGeometry().topLeft(), test::CentredCorner(host.form));
    EXPECT_FALSE(host.mainWindow.isVisible());
    EXPECT_EQ(host.Edit("fileNameField")->text().toStdString(), first);
    EXPECT_EQ(host.Edit("copiedField")->text().toStdString(), last.doneText);
    EXPECT_EQ(host.form.PercentComplete(), 100);
  });
  ASSERT_TRUE(Copy(host, second));
  EXPECT_TRUE(secondPumpChecked);
  EXPECT_EQ(host.reports[firstReports].fileName, second);
  EXPECT_EQ(host.hides, 2);
  EXPECT_EQ(test::ReadFile(second), volume.Bytes());
}

TEST_F(ProgressCopyTest, PriorityChosenDuringACopyStaysAfterItWhileTheListReadsNormal) {
  const int niceBefore = CurrentNiceValue();
  // Raising the priority needs privileges; without them the test lowers it.
  const bool raise = test::IsRoot();
  const int index = raise ? 2 : 0;
  const int expectedNice = raise ? -10 : 19;
  ProgressHost host;
  const std::string target = volume.Target("priority.IMA");
  host.DuringReport(3, [&] {
    QComboBox* list = host.Priority();
    list->setFocus();
    QTest::keyClick(list, raise ? Qt::Key_Down : Qt::Key_Up);
  });
  const bool copied = Copy(host, target);
  const int niceAfter = CurrentNiceValue();
  const IoPriority ioAfter = CurrentIoPriority();
  if (raise) SetProcessPriority(1);

  EXPECT_TRUE(copied);
  EXPECT_EQ(host.reports[1].nice, niceBefore);
  EXPECT_EQ(host.reports[2].priority, raise ? "Высокий" : "Низкий");
  EXPECT_EQ(host.reports[2].nice, expectedNice) << "the change applies at once, to the running copy";
  for (std::size_t i = 2; i < host.reports.size(); ++i) EXPECT_EQ(host.reports[i].nice, expectedNice) << i;
  EXPECT_EQ(host.Priority()->currentIndex(), 1);
  EXPECT_EQ(host.Priority()->currentText(), "Нормальный");
  EXPECT_EQ(niceAfter, expectedNice) << "resetting the list must not change the priority";
  EXPECT_EQ(ioAfter.ioClass, raise ? 2 : 3);
  EXPECT_EQ(test::ReadFile(target), volume.Bytes());
  (void)index;
}

class TinyVolumeCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!volume.Problem().empty()) GTEST_SKIP() << volume.Problem();
  }
  // Below the 111,104-byte margin: the threshold is negative.
  CopySource volume{64 * 1024, 3};
};

TEST_F(TinyVolumeCopyTest, TheGaugeNeverGetsANegativeMaximum) {
  ProgressHost host;
  const std::string target = volume.Target("tiny.IMA");
  EXPECT_TRUE(CopyDiskToImage(volume.Ops(), host, volume.Letter(), target));
  ASSERT_FALSE(host.reports.empty());
  for (const Snapshot& s : host.reports) {
    EXPECT_GE(s.maximum, 0);
    EXPECT_EQ(s.percent, 100);
  }
  EXPECT_TRUE(host.prompts.empty());
  EXPECT_EQ(test::ReadFile(target), volume.Bytes());
  EXPECT_FALSE(host.form.isVisible());
}

}  // namespace
}  // namespace vorkan
