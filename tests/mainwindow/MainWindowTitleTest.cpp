// SPDX-License-Identifier: GPL-3.0-or-later
// The task-bar title of a copy through the windows: the job sets it after
// every block, the windows get it at most once per screen refresh, and after
// a pause, the progress window's hiding and the copy the windows (and, on a
// real X server, the icon name the server holds for them) show the latest
// text.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <chrono>
#include <cstring>
#include <xcb/xcb.h>

#include "ByteSize.h"
#include "WindowCopy.h"

namespace vorkan::test {
namespace {

// The text property `name` of X window `window` as the X server holds it.
QString XTextProperty(WId window, const char* name) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) return QStringLiteral("<no X connection>");
  xcb_connection_t* c = x11->connection();
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr);
  if (!atom) return QStringLiteral("<no atom>");
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c,
                             xcb_get_property(c, 0, static_cast<xcb_window_t>(window), atom->atom,
                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                             nullptr);
  free(atom);
  if (!reply) return QStringLiteral("<no reply>");
  const QByteArray bytes(static_cast<const char*>(xcb_get_property_value(reply)),
                         xcb_get_property_value_length(reply));
  const bool none = reply->type == XCB_ATOM_NONE;
  free(reply);
  return none ? QStringLiteral("<unset>") : QString::fromUtf8(bytes);
}

// Every visible task-bar window shows the latest title.
void ExpectWindowsShowTheTitle(const char* when) {
  SCOPED_TRACE(when);
  const QString title = QString::fromStdString(Application::Instance().Title());
  int windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || (w->windowType() != Qt::Window && w->windowType() != Qt::Dialog)) continue;
    ++windows;
    EXPECT_EQ(w->windowIconText(), title) << w->objectName().toStdString();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
      EXPECT_EQ(XTextProperty(w->winId(), "_NET_WM_ICON_NAME"), title) << w->objectName().toStdString();
    }
  }
  EXPECT_GT(windows, 0);
}

// Counts the changes of the icon texts of the windows it watches.
struct IconTextChanges : QObject {
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::IconTextChange) ++count;
    return false;
  }
  int count = 0;
};

TEST(MainWindowTitle, LatestTextAfterPauseHideAndCopyWithFewChanges) {
  constexpr int kBlocks = 96;
  struct Case {
    const char* what;
    std::chrono::milliseconds interval;  // zero: the screen's refresh interval
    bool countChanges;                   // only a held-back title gives a fixed count
  } cases[] = {
      {"screen refresh", std::chrono::milliseconds(0), false},
      {"held back all copy long", std::chrono::hours(1), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Application::Instance().SetTitleInterval(c.interval);
    WindowCopy copy(kBlocks);
    IconTextChanges changes;
    copy.main().installEventFilter(&changes);
    progressWindow->installEventFilter(&changes);

    // Pause at the fifth report; once a paused report has set the title, look
    // and go on.
    bool paused = false;
    std::string pausedTitle;
    copy.duringPump = [&](int pump) {
      if (pump == 5) copy.main().pauseRequested = 1;
      const std::string title = Application::Instance().Title();
      if (copy.main().pauseRequested == 1 && !paused && title.rfind("[ПАУЗА] ", 0) == 0) {
        paused = true;
        pausedTitle = title;
        ExpectWindowsShowTheTitle("paused");
        copy.main().pauseRequested = 0;
      }
    };
    std::string atSuccess;
    copy.atSuccess = [&] {
      atSuccess = Application::Instance().Title();
      ExpectWindowsShowTheTitle("progress window hidden");
    };

    ASSERT_TRUE(copy.Run());
    EXPECT_TRUE(paused);
    EXPECT_EQ(pausedTitle.rfind("[ПАУЗА] Vorkan v1.2 - ", 0), 0u) << pausedTitle;
    EXPECT_EQ(atSuccess, "Vorkan v1.2 - 100% (" + FormatByteSize(copy.Size()) + " из " +
                             FormatByteSize(copy.Size() - 111104) + ")");
    EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
    ExpectWindowsShowTheTitle("after the copy");
    // The job set the title after each of its blocks.
    EXPECT_GT(copy.pumps, kBlocks);
    if (c.countChanges) {
      EXPECT_LE(changes.count * 8, kBlocks) << changes.count << " changes";
    }
    progressWindow->removeEventFilter(&changes);
  }
  Application::Instance().SetTitleInterval(std::chrono::milliseconds(0));
}

}  // namespace
}  // namespace vorkan::test
