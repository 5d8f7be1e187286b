// SPDX-License-Identifier: GPL-3.0-or-later
// The copy's percentage on the program's task-bar entry: the launcher-entry
// signals a copy through the windows sends on the session bus, as a listener
// on the bus receives them. launcher_entry.sh runs these with a private
// session bus of their own, and once with none.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "WindowCopy.h"

namespace vorkan::test {
namespace {

struct Update {
  QString path, application;
  double progress = -1;
  bool visible = false;
};

class UpdateListener : public QObject {
  Q_OBJECT

 public:
  std::vector<Update> updates;
  int ended = 0;  // updates with the bar hidden

 public slots:
  void Received(const QDBusMessage& message) {
    Update u;
    u.path = message.path();
    const QList<QVariant> args = message.arguments();
    if (args.size() == 2) {
      u.application = args[0].toString();
      const QVariantMap properties = qdbus_cast<QVariantMap>(args[1]);
      u.progress = properties.value(QStringLiteral("progress"), -1.0).toDouble();
      u.visible = properties.value(QStringLiteral("progress-visible")).toBool();
    }
    if (!u.visible) ++ended;
    updates.push_back(u);
  }
};

std::string BusMode() {
  const char* mode = std::getenv("VORKAN_LAUNCHER_BUS");
  return mode ? mode : "";
}

TEST(MainWindowLauncherEntry, CopiesPublishWholePercentsOnceAndEndTheBar) {
  if (BusMode() != "private") GTEST_SKIP() << "runs under launcher_entry.sh, with a private session bus";
  QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                      QStringLiteral("launcher-entry-listener"));
  ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
  UpdateListener listener;
  ASSERT_TRUE(bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                          QStringLiteral("Update"), &listener, SLOT(Received(QDBusMessage))));

  // Two copies, the second paused for a while: its paused reports repeat
  // their percentage.
  struct Case {
    const char* what;
    int blocks;
    int pauseFrom, pauseTo;  // pumps; 0: no pause
  } cases[] = {{"plain copy", 160, 0, 0}, {"paused copy", 60, 5, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t first = listener.updates.size();
    const int endedBefore = listener.ended;
    WindowCopy copy(c.blocks);
    copy.duringPump = [&](int pump) {
      if (pump == c.pauseFrom) copy.main().pauseRequested = 1;
      if (pump == c.pauseTo) copy.main().pauseRequested = 0;
    };
    ASSERT_TRUE(copy.Run());
    // The signals come back over the bus.
    const QDeadlineTimer deadline(10000);
    while (listener.ended == endedBefore && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(listener.ended, endedBefore + 1) << "no end of the bar";

    const std::vector<Update> updates(listener.updates.begin() + first, listener.updates.end());
    ASSERT_GE(updates.size(), 3u);
    int last = -1;
    for (std::size_t i = 0; i < updates.size(); ++i) {
      const Update& u = updates[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(u.application, QStringLiteral("application://vorkan.desktop"));
      EXPECT_TRUE(u.path.startsWith(QStringLiteral("/com/canonical/unity/launcherentry/")))
          << u.path.toStdString();
      const bool end = i + 1 == updates.size();
      EXPECT_EQ(u.visible, !end);
      if (end) break;
      const double percent = u.progress * 100;
      EXPECT_NEAR(percent, std::round(percent), 1e-9) << "not a whole percent: " << u.progress;
      EXPECT_GT(std::lround(percent), last) << "a percentage sent again or going back";
      last = static_cast<int>(std::lround(percent));
    }
    EXPECT_EQ(last, 100);
  }
}

TEST(MainWindowLauncherEntry, WithoutASessionBusTheCopyRunsAsBefore) {
  if (BusMode() != "none") GTEST_SKIP() << "runs under launcher_entry.sh, with no session bus";
  WindowCopy copy(40);
  EXPECT_TRUE(copy.Run());
}

}  // namespace
}  // namespace vorkan::test

#include "MainWindowLauncherEntryTest.moc"
