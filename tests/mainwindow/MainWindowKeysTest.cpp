// SPDX-License-Identifier: GPL-3.0-or-later
// The window's keys: F5, F1 and Esc act when released, whatever modifier is
// held; Enter presses the default button.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTimer>

#include "MainWindowDriver.h"
#include "TestSupport.h"
#include "PromptAnswers.h"

namespace vorkan::test {
namespace {

class MainWindowKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "c.img", PatternBytes(1 << 20, 3));
    FileVolume c;
    c.path = dir_ / "c.img";
    c.totalFreeBytes = 1 << 30;
    ops_.AddVolume('C', c);
  }
  // Arms a check of the next modal window: records it and closes it.
  void WatchModal() {
    QTimer::singleShot(0, [this] {
      modal_ = QApplication::activeModalWidget();
      if (modal_) modal_->close();
    });
  }
  TempDir dir_;
  CountingVolumeOps ops_;
  QWidget* modal_ = nullptr;
};

TEST_F(MainWindowKeys, F5RebuildsTheListOnRelease) {
  Windows windows(ops_);
  QWidget* list = DriveList(windows.main());
  for (Qt::KeyboardModifiers mods :
       {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
        Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    const int before = ops_.refreshes;
    QTest::keyPress(list, Qt::Key_F5, mods);
    EXPECT_EQ(ops_.refreshes, before) << "acted on the press, modifiers " << mods;
    QTest::keyRelease(list, Qt::Key_F5, mods);
    EXPECT_EQ(ops_.refreshes, before + 1) << "modifiers " << mods;
  }
  // From another control of the window as well.
  const int before = ops_.refreshes;
  QTest::keyClick(Control<QCheckBox>(windows.main(), "lockCheckBox"), Qt::Key_F5);
  EXPECT_EQ(ops_.refreshes, before + 1);
}

TEST_F(MainWindowKeys, F1OpensTheDriveInformationOnRelease) {
  Windows windows(ops_);
  QWidget* list = DriveList(windows.main());
  for (Qt::KeyboardModifiers mods :
       {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
        Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    modal_ = nullptr;
    QTest::keyPress(list, Qt::Key_F1, mods);
    EXPECT_FALSE(detailsWindow->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    WatchModal();
    QTest::keyRelease(list, Qt::Key_F1, mods);
    QApplication::processEvents();
    EXPECT_EQ(modal_, detailsWindow) << "modifiers " << mods;
  }
}

TEST_F(MainWindowKeys, F1AndEnterWithoutSelectionDoNothing) {
  Windows windows(ops_);
  windows.AnswerSaveDialog({""});
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, EmptyListPoint(f));
  ASSERT_EQ(f.SelectedIndex(), -1);
  modal_ = nullptr;
  WatchModal();
  QTest::keyClick(list, Qt::Key_F1);
  QTest::keyClick(list, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(modal_, nullptr);
  EXPECT_TRUE(windows.dialogs.empty());
  // showDriveDetails and copySelectedDrive called directly check the selection too.
  f.showDriveDetails();
  f.copySelectedDrive();
  EXPECT_TRUE(windows.dialogs.empty());
}

TEST_F(MainWindowKeys, EnterPressesTheDefaultButtonOrTheFocusedOne) {
  Windows windows(ops_);
  windows.AnswerSaveDialog({"", ""});
  MainWindow& f = windows.main();
  QTest::keyClick(DriveList(f), Qt::Key_Return);
  EXPECT_EQ(windows.dialogs.size(), 1u);
  QTest::keyClick(Control<QCheckBox>(f, "lockCheckBox"), Qt::Key_Enter);
  EXPECT_EQ(windows.dialogs.size(), 2u);
  // Enter on the focused refresh button presses that one, not the copy one.
  const int before = ops_.refreshes;
  QPushButton* refresh = Control<QPushButton>(f, "refreshButton");
  refresh->setFocus();
  QTest::keyClick(refresh, Qt::Key_Return);
  EXPECT_EQ(ops_.refreshes, before + 1);
  EXPECT_EQ(windows.dialogs.size(), 2u);
}

TEST_F(MainWindowKeys, EscClosesTheWindowOnRelease) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  QTest::keyPress(list, Qt::Key_Escape, Qt::ShiftModifier);
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(Application::Instance().IsTerminating());
  QTest::keyRelease(list, Qt::Key_Escape, Qt::ShiftModifier);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.abortRequested, 1);
  EXPECT_TRUE(Application::Instance().IsTerminating());
}

// The Esc that closes a prompt or the save dialog is let go over the main
// window: that release alone must not close the program.
TEST_F(MainWindowKeys, ReleaseWithoutItsPressDoesNothing) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  const int before = ops_.refreshes;
  QTest::keyRelease(list, Qt::Key_Escape);
  QTest::keyRelease(list, Qt::Key_F5);
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(Application::Instance().IsTerminating());
  EXPECT_EQ(ops_.refreshes, before);

  // Esc pressed in a prompt closes the prompt only.
  vorkan::test::AnswerPrompts([](PromptBox& form) { QTest::keyPress(&form, Qt::Key_Escape); });
  EXPECT_EQ(f.ShowPrompt(PromptId::SameDrive, "?", PromptKind::Confirmation,
                         ButtonSet({PromptButton::Yes, PromptButton::Cancel})),
            PromptResult::Cancel);
  vorkan::test::AnswerPrompts(nullptr);
  QTest::keyRelease(list, Qt::Key_Escape);
  EXPECT_TRUE(f.isVisible());
}

TEST_F(MainWindowKeys, OtherKeysDoNothing) {
  Windows windows(ops_);
  windows.AnswerSaveDialog({""});
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  const int before = ops_.refreshes;
  for (Qt::Key key : {Qt::Key_F2, Qt::Key_F4, Qt::Key_Space, Qt::Key_A, Qt::Key_Delete})
    QTest::keyClick(list, key);
  EXPECT_EQ(ops_.refreshes, before);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(windows.dialogs.empty());
}

}  // namespace
}  // namespace vorkan::test
