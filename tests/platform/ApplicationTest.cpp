#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>

#include "Application.h"

namespace vorkan {
namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Application::Instance().SetTerminating(false);
    Application::Instance().SetTitle("");
  }
  Application& app = Application::Instance();
};

TEST_F(ApplicationTest, TitleGoesToEveryVisibleWindowAndToWindowsShownLater) {
  QWidget main;
  main.show();
  QDialog dialog;
  dialog.show();
  QWidget hidden;

  app.SetTitle("Vorkan");
  EXPECT_EQ(app.Title(), "Vorkan");
  EXPECT_EQ(main.windowIconText(), "Vorkan");
  EXPECT_EQ(dialog.windowIconText(), "Vorkan");

  app.SetTitle("42% диск C:\\");
  EXPECT_EQ(app.Title(), "42% диск C:\\");
  EXPECT_EQ(main.windowIconText(), QString::fromUtf8("42% диск C:\\"));

  // A window that was hidden takes the title when it appears.
  hidden.show();
  EXPECT_EQ(hidden.windowIconText(), QString::fromUtf8("42% диск C:\\"));
}

TEST_F(ApplicationTest, MinimiseAndRestoreTakeEveryVisibleWindow) {
  QWidget main;
  QWidget progress;
  QWidget hidden;
  main.show();
  progress.show();
  EXPECT_FALSE(app.IsMinimized());

  app.Minimize();
  EXPECT_TRUE(main.isMinimized());
  EXPECT_TRUE(progress.isMinimized());
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(hidden.isVisible()) << "a hidden window stays hidden";
  EXPECT_TRUE(app.IsMinimized());

  app.Restore();
  EXPECT_FALSE(main.isMinimized());
  EXPECT_FALSE(progress.isMinimized());
  EXPECT_TRUE(progress.isVisible());
  EXPECT_FALSE(app.IsMinimized());

  // One window brought back by hand: the application is no longer minimised.
  app.Minimize();
  progress.setWindowState(progress.windowState() & ~Qt::WindowMinimized);
  EXPECT_FALSE(app.IsMinimized());
}

TEST_F(ApplicationTest, NoVisibleWindowIsNotMinimised) {
  QWidget hidden;
  app.Minimize();
  EXPECT_FALSE(app.IsMinimized());
  EXPECT_FALSE(hidden.isVisible());
}

TEST_F(ApplicationTest, TerminatingFlagIsKeptAndAnnounced) {
  EXPECT_FALSE(app.IsTerminating());
  QSignalSpy spy(&app, &Application::terminatingChanged);
  app.SetTerminating(true);
  EXPECT_TRUE(app.IsTerminating());
  app.SetTerminating(true);
  ASSERT_EQ(spy.count(), 1) << "announced once per change";
  EXPECT_TRUE(spy.at(0).at(0).toBool());
}

TEST_F(ApplicationTest, PendingEventsAreDispatchedWithoutWaiting) {
  int delivered = 0;
  QMetaObject::invokeMethod(
      &app, [&] { ++delivered; }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      &app, [&] { ++delivered; }, Qt::QueuedConnection);
  EXPECT_EQ(delivered, 0);
  app.ProcessPendingEvents();
  EXPECT_EQ(delivered, 2);
  // Nothing pending: returns at once.
  app.ProcessPendingEvents();
  EXPECT_EQ(delivered, 2);
}

TEST_F(ApplicationTest, HintHidePauseIsKept) {
  app.SetHintHidePause(-1);
  EXPECT_EQ(app.HintHidePause(), -1);
  app.SetHintHidePause(2500);
  EXPECT_EQ(app.HintHidePause(), 2500);
}

}  // namespace
}  // namespace vorkan
