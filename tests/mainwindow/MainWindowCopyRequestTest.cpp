// SPDX-License-Identifier: GPL-3.0-or-later
// The copy request as the main window runs it over file-backed volumes: the
// save dialog, the room and same-drive prompts, and the window afterwards.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>

#include "Shell.h"
#include "DriveDetailsWindow.h"

#include "ByteSize.h"
#include "MainWindowDriver.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

constexpr std::int64_t kVolumeSize = 3 * 262144 + 1000;

class MainWindowCopyRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = PatternBytes(kVolumeSize, 7);
    WriteFile(dir_ / "c.img", source_);
    FileVolume c;
    c.path = dir_ / "c.img";
    c.totalFreeBytes = 1000;  // less than the volume itself
    ops_.AddVolume('C', c);
    FileVolume e;
    e.path = dir_ / "e.img";
    WriteFile(e.path, PatternBytes(4096, 8));
    e.totalFreeBytes = std::int64_t(1) << 30;
    ops_.AddVolume('E', e);
    test::Run("mkdir -p " + Quote(dir_ / "onc") + " " + Quote(dir_ / "one") + " " + Quote(dir_ / "nowhere"));
    ops_.SetPathLetter(dir_ / "onc", 'c');  // written in lower case
    ops_.SetPathLetter(dir_ / "one", 'E');
  }
  TempDir dir_;
  CountingVolumeOps ops_;
  std::string source_;
};

TEST_F(MainWindowCopyRequest, SaveDialogIsConfiguredAndProposesTheDrive) {
  Windows windows(ops_);
  windows.AnswerSaveDialog({""});
  QTest::mouseClick(Control<QPushButton>(windows.main(), "copyButton"), Qt::LeftButton);
  ASSERT_EQ(windows.dialogs.size(), 1u);
  const SeenDialog& d = windows.dialogs[0];
  EXPECT_EQ(d.proposedName, QStringLiteral("диск_c"));
  EXPECT_EQ(d.filterIndex, 1);
  EXPECT_EQ(d.filter, QStringLiteral("Image file (*.IMA)"));
  EXPECT_EQ(d.defaultSuffix, QStringLiteral("IMA"));
  const QStringList filters = {"Image file (*.IMA)", "ISO file (*.ISO)", "Disk file (*.DSK)",
                               "File system file (*.FSS)", "Binary file (*.BIN)"};
  EXPECT_EQ(d.filters, filters);
  EXPECT_TRUE(d.confirmOverwrite);
  EXPECT_TRUE(d.sizeGrip);
  EXPECT_EQ(d.name, QStringLiteral("saveDialog"));
}

TEST_F(MainWindowCopyRequest, CancelOfTheDialogOrOfEitherPromptCreatesNoFile) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string onE = dir_ / "one/a.IMA";
  const std::string onC = dir_ / "onc/b.IMA";
  const std::string nowhere = dir_ / "nowhere/c.IMA";

  windows.AnswerSaveDialog({""});
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  EXPECT_EQ(windows.dialogs.size(), 1u);
  EXPECT_TRUE(windows.prompts.empty());

  // Shortage prompt, Cancel.
  windows.AnswerSaveDialog({nowhere});
  windows.AnswerPrompts({PromptButton::Cancel});
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  ASSERT_EQ(windows.prompts.size(), 1u);
  EXPECT_EQ(windows.prompts[0].kind, PromptKind::Error);
  EXPECT_FALSE(Exists(nowhere));

  // Same-drive warning, Cancel (after Ignore at the shortage prompt).
  windows.prompts.clear();
  windows.AnswerSaveDialog({onC});
  windows.AnswerPrompts({PromptButton::Ignore, PromptButton::Cancel});
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  ASSERT_EQ(windows.prompts.size(), 2u);
  EXPECT_EQ(windows.prompts[1].kind, PromptKind::Warning);
  EXPECT_FALSE(Exists(onC));

  // Nothing of the window changed on the way.
  EXPECT_TRUE(Control<QCheckBox>(f, "lockCheckBox")->isChecked());
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Vorkan v1.2"));
  for (const char* name : kCopyControls) EXPECT_TRUE(Control<QWidget>(f, name)->isEnabled()) << name;
  EXPECT_FALSE(Exists(onE));
}

TEST_F(MainWindowCopyRequest, TargetOnTheSourceDriveGivesShortageThenSameDrivePrompt) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string onC = dir_ / "onc/x.IMA";
  // No at the warning proposes again; the second time the user says Yes.
  windows.AnswerSaveDialog({onC, onC});
  windows.AnswerPrompts(
      {PromptButton::Ignore, PromptButton::No, PromptButton::Ignore, PromptButton::Yes, PromptButton::OK});
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  ASSERT_EQ(windows.dialogs.size(), 2u);
  EXPECT_EQ(windows.dialogs[1].proposedName, QStringLiteral("диск_c"));
  ASSERT_EQ(windows.prompts.size(), 5u);
  const std::string shortage = FormatByteSize(kVolumeSize - 1000);
  EXPECT_EQ(windows.prompts[0].text, "Недостаточно места на диске!\n\rОсвободите " + shortage +
                                         " и нажмите [Повтор] для сохранения полного образа,\n\rили нажмите "
                                         "[Игнорировать] для продолжения.");
  // The letter as the target path gives it: lower case, compared without case.
  EXPECT_EQ(windows.prompts[1].text,
            "Вы действительно хотите сохранить образ диска на исходном диске c:\\?\n\r"
            "Внимание! Это не рекомендуется! Блокировка также будет отключена.");
  EXPECT_EQ(windows.prompts[3].kind, PromptKind::Warning);
  EXPECT_EQ(windows.prompts[4].text, "Диск C:\\ успешно скопирован в " + onC + ".");
  EXPECT_EQ(ReadFile(onC), source_);
  // Yes unticked the lock, and it stays unticked after the copy.
  EXPECT_FALSE(Control<QCheckBox>(f, "lockCheckBox")->isChecked());
  EXPECT_EQ(ops_.lockRequests, 0);
}

TEST_F(MainWindowCopyRequest, TargetWithoutALetterHasNoRoomAndThenCopies) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  const std::string nowhere = dir_ / "nowhere/n.BIN";
  windows.AnswerSaveDialog({nowhere});
  windows.AnswerPrompts({PromptButton::Retry, PromptButton::Ignore, PromptButton::OK});
  const int refreshesBefore = ops_.refreshes;
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  ASSERT_EQ(windows.prompts.size(), 3u);
  // No free space at all: the shortage is the whole volume, asked again on Retry.
  const std::string whole = FormatByteSize(kVolumeSize);
  for (int i = 0; i < 2; ++i)
    EXPECT_NE(windows.prompts[i].text.find("Освободите " + whole + " и"), std::string::npos) << i;
  // The letters differ ("/" against C): no same-drive warning, the copy ran.
  EXPECT_EQ(windows.prompts[2].kind, PromptKind::Information);
  EXPECT_EQ(ReadFile(nowhere), source_);
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
  EXPECT_EQ(f.abortRequested, 0);
  EXPECT_EQ(f.pauseRequested, 0);
  EXPECT_EQ(ops_.refreshes, refreshesBefore + 1);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.isEnabled());
  EXPECT_FALSE(progressWindow->isVisible());
}

TEST_F(MainWindowCopyRequest, InformationWindowCopyChoiceStartsTheRequest) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  windows.AnswerSaveDialog({""});
  // The drive window ends with Copy: the copy request for the same row follows.
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<DriveDetailsWindow*>(QApplication::activeModalWidget()))
      dialog->done(static_cast<int>(DriveDetailsWindow::Result::Copy));
  });
  QTest::mouseClick(Control<QPushButton>(f, "detailsButton"), Qt::LeftButton);
  ASSERT_EQ(windows.dialogs.size(), 1u);
  EXPECT_EQ(windows.dialogs[0].proposedName, QStringLiteral("диск_c"));
  // Ending it otherwise starts nothing.
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<DriveDetailsWindow*>(QApplication::activeModalWidget()))
      dialog->done(static_cast<int>(DriveDetailsWindow::Result::Close));
  });
  QTest::mouseClick(Control<QPushButton>(f, "detailsButton"), Qt::LeftButton);
  EXPECT_EQ(windows.dialogs.size(), 1u);
}

TEST_F(MainWindowCopyRequest, InformationWindowOpensTheMountPointAndGivesTheFocusBack) {
  ops_.Volume('C').folder = dir_ / "onc";
  Windows windows(ops_);
  MainWindow& f = windows.main();
  std::vector<std::vector<std::string>> opened;
  const auto previous = SetOpener([&](const std::string& program, const std::vector<std::string>& arguments) {
    opened.push_back(arguments);
    opened.back().insert(opened.back().begin(), program);
  });
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<DriveDetailsWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>(QStringLiteral("openFolderButton"))->click();  // "Проводник"
    EXPECT_TRUE(dialog->isVisible());
    dialog->done(static_cast<int>(DriveDetailsWindow::Result::Close));
  });
  QTest::mouseClick(Control<QPushButton>(f, "detailsButton"), Qt::LeftButton);
  SetOpener(previous);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], (std::vector<std::string>{"xdg-open", dir_ / "onc"}));
  EXPECT_TRUE(windows.dialogs.empty());  // closing it started no copy
  // The list is the main window's focus: it has it whenever the window is
  // active again (offscreen there is no window manager to hand it back).
  EXPECT_EQ(f.focusWidget(), DriveList(f));
}

}  // namespace
}  // namespace vorkan::test
