// SPDX-License-Identifier: GPL-3.0-or-later
// How the window is closed and where it opens next: centred the first time
// and after "Ok" (or Enter), where it last stood after the close box; Esc
// does nothing.
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "AboutDriver.h"
#include "Prompt.h"
#include "AboutWindow.h"

namespace {

using vorkan::test::Control;
using vorkan::testing::RunModal;

QPoint ScreenCentre(const AboutWindow& form) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QSize frame = form.frameGeometry().size();
  return {screen.x() + screen.width() / 2 - frame.width() / 2,
          screen.y() + screen.height() / 2 - frame.height() / 2};
}

// The main window stands in a corner, so that a window centred on its owner
// would stand elsewhere than one centred on the screen.
class AboutPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_.setGeometry(10, 10, 200, 120);
    owner_.show();
  }

  // Opens the window, notes where it stands, moves it to `moveTo` and closes
  // it with `close`; returns the place it opened at. Where the centred window
  // stands is noted while it is shown, when its frame is known.
  QPoint OpenMoveAndClose(AboutWindow& form, QPoint moveTo, const std::function<void(AboutWindow&)>& close,
                          int* result = nullptr) {
    QPoint opened;
    const int ended = RunModal(form, [&](AboutWindow& shown) {
      opened = shown.pos();
      centre_ = ScreenCentre(shown);
      shown.move(moveTo);
      EXPECT_EQ(shown.pos(), moveTo);
      close(shown);
      EXPECT_FALSE(shown.isVisible());
    });
    if (result != nullptr) *result = ended;
    return opened;
  }

  QWidget owner_;
  QPoint centre_;
};

void PressOk(AboutWindow& form) { QTest::mouseClick(Control<QPushButton>(form, "okButton"), Qt::LeftButton); }
void CloseBox(AboutWindow& form) { form.close(); }
void TypeEnter(AboutWindow& form) { QTest::keyClick(form.focusWidget(), Qt::Key_Return); }

TEST_F(AboutPlacement, OpensCentredOnTheScreenFirstAndAgainAfterOk) {
  AboutWindow form(&owner_);
  const QPoint first = OpenMoveAndClose(form, {31, 47}, PressOk);
  EXPECT_EQ(first, centre_);
  const QPoint second = OpenMoveAndClose(form, {52, 19}, PressOk);
  EXPECT_EQ(second, centre_) << "not where Ok left it";
}

TEST_F(AboutPlacement, ReopensWhereItStoodAfterTheCloseBox) {
  AboutWindow form(&owner_);
  int result = -1;
  const QPoint first = OpenMoveAndClose(form, {31, 47}, CloseBox, &result);
  EXPECT_EQ(first, centre_);
  EXPECT_EQ(result, static_cast<int>(vorkan::PromptResult::Cancel));
  EXPECT_EQ(OpenMoveAndClose(form, {52, 19}, CloseBox), QPoint(31, 47));
  // Ok brings the centring back for the opening after the next one.
  EXPECT_EQ(OpenMoveAndClose(form, {60, 70}, PressOk), QPoint(52, 19));
  const QPoint fourth = OpenMoveAndClose(form, {60, 70}, CloseBox);
  EXPECT_EQ(fourth, centre_);
}

TEST_F(AboutPlacement, EnterPressesOk) {
  AboutWindow form(&owner_);
  int result = -1;
  OpenMoveAndClose(form, {31, 47}, TypeEnter, &result);
  EXPECT_EQ(result, static_cast<int>(vorkan::PromptResult::Cancel))
      << "Ok closes the window the way the close box does";
  const QPoint second = OpenMoveAndClose(form, {52, 19}, CloseBox);
  EXPECT_EQ(second, centre_) << "Enter went through Ok";
}

TEST_F(AboutPlacement, EscDoesNothing) {
  AboutWindow form(&owner_);
  const int result = RunModal(form, [](AboutWindow& shown) {
    QTest::keyClick(shown.focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(shown.isVisible());
    QTest::keyClick(&shown, Qt::Key_Escape);
    EXPECT_TRUE(shown.isVisible());
    // From the description as well.
    QWidget* memo = Control<QWidget>(shown, "description");
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_TRUE(shown.isVisible());
    shown.move(40, 50);
    shown.close();
  });
  EXPECT_EQ(result, static_cast<int>(vorkan::PromptResult::Cancel));
  // Esc did not reset the placement either.
  EXPECT_EQ(OpenMoveAndClose(form, {52, 19}, CloseBox), QPoint(40, 50));
}

}  // namespace
