// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

#include "Application.h"

namespace vorkan {
namespace {

// Counts the changes of a window's icon text (each one is a round trip to the
// display server).
struct IconTextChanges : QObject {
  explicit IconTextChanges(QWidget& w) { w.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::IconTextChange) ++count;
    return false;
  }
  int count = 0;
};

class ApplicationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Application::Instance().SetTerminating(false);
    Application::Instance().SetTitleInterval(std::chrono::milliseconds(0));
    Application::Instance().SetTitle("");
    Application::Instance().FlushTitle();
  }
  Application& app = Application::Instance();
};

TEST_F(ApplicationTest, TitleGoesToTheWindowsAtMostOncePerIntervalAndAlwaysTheLatest) {
  // An interval no test outlasts: only FlushTitle and new windows apply it.
  app.SetTitleInterval(std::chrono::hours(1));
  QWidget main;
  main.show();
  QDialog dialog;
  dialog.show();
  QWidget hidden;
  app.FlushTitle();
  IconTextChanges changes(main);
  const QString shown = main.windowIconText();

  struct Step {
    const char* what;
    std::function<void()> act;
    std::string title;     // Title() afterwards
    QString onTheWindows;  // the icon text of main and dialog afterwards
    int changes;           // of main's icon text, counted from the start
  } steps[] = {
      {"a text within the interval is held back", [&] { app.SetTitle("Vorkan"); }, "Vorkan", shown, 0},
      {"and so is the next, read back at once", [&] { app.SetTitle("1% диск C:\\"); }, "1% диск C:\\", shown,
       0},
      {"flush: the latest text", [&] { app.FlushTitle(); }, "1% диск C:\\", QString::fromUtf8("1% диск C:\\"),
       1},
      {"flush again: nothing changes", [&] { app.FlushTitle(); }, "1% диск C:\\",
       QString::fromUtf8("1% диск C:\\"), 1},
      {"held back", [&] { app.SetTitle("2%"); }, "2%", QString::fromUtf8("1% диск C:\\"), 1},
      {"a window shown takes the latest text", [&] { hidden.show(); }, "2%",
       QString::fromUtf8("1% диск C:\\"), 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(app.Title(), step.title);
    EXPECT_EQ(main.windowIconText(), step.onTheWindows);
    EXPECT_EQ(dialog.windowIconText(), step.onTheWindows);
    EXPECT_EQ(changes.count, step.changes);
  }
  EXPECT_EQ(hidden.windowIconText(), "2%");

  // A held-back text lands on its own once the interval is over, with no
  // further SetTitle.
  app.SetTitleInterval(std::chrono::milliseconds(100));
  app.FlushTitle();
  app.SetTitle("3%");
  QSignalSpy landed(&main, &QWidget::windowIconTextChanged);
  if (main.windowIconText() != "3%") {
    EXPECT_TRUE(landed.wait(10000)) << "the held-back title never landed";
  }
  EXPECT_EQ(main.windowIconText(), "3%");
  EXPECT_EQ(dialog.windowIconText(), "3%");
}

TEST_F(ApplicationTest, TitleIntervalIsTheScreensRefreshUnlessSet) {
  const double rate = QGuiApplication::primaryScreen()->refreshRate();
  const double expected = rate >= 1 && rate <= 1000 ? 1e9 / rate : 1e9 / 60;
  EXPECT_NEAR(static_cast<double>(app.TitleInterval().count()), expected, 1.0);
  app.SetTitleInterval(std::chrono::milliseconds(250));
  EXPECT_EQ(app.TitleInterval(), std::chrono::milliseconds(250));
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
