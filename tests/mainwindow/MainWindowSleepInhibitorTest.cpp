// SPDX-License-Identifier: GPL-3.0-or-later
// Sleep held off during copies through the windows: logind's sleep inhibitor
// from the progress window's showing to its hiding, whichever way the copy
// ends. sleep_inhibitor.sh runs this on a system bus of its own with a
// stand-in logind (logind_standin.py) that records every Inhibit and sees
// when its descriptor is closed; and once with no logind and once with no
// bus, where the copies must run as before.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include "WindowCopy.h"

namespace vorkan::test {
namespace {

struct Inhibition {
  QString what, who, why, mode;
  bool autoStart = true;
  quint64 inode = 0;
  bool closed = false;
};

// What the stand-in has recorded; empty when it cannot be asked.
std::vector<Inhibition> Recorded() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("io.github.vorkan.Test"), QStringLiteral("Calls"));
  const QDBusMessage reply = QDBusConnection::systemBus().call(call, QDBus::Block, 10000);
  std::vector<Inhibition> calls;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    ADD_FAILURE() << "the stand-in does not answer: " << reply.errorMessage().toStdString();
    return calls;
  }
  const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
  list.beginArray();
  while (!list.atEnd()) {
    Inhibition c;
    list.beginStructure();
    list >> c.what >> c.who >> c.why >> c.mode >> c.autoStart >> c.inode >> c.closed;
    list.endStructure();
    calls.push_back(c);
  }
  list.endArray();
  return calls;
}

// This process's descriptors of the pipe with inode `inode`, and how many of
// them are close-on-exec.
struct Held {
  int descriptors = 0, closeOnExec = 0;
};
Held HeldPipe(quint64 inode) {
  Held held;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return held;
  while (const dirent* entry = ::readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    struct stat st {};
    if (entry->d_name[0] == '.' || fd == ::dirfd(dir) || ::fstat(fd, &st) != 0) continue;
    if (!S_ISFIFO(st.st_mode) || st.st_ino != inode) continue;
    ++held.descriptors;
    if (::fcntl(fd, F_GETFD) & FD_CLOEXEC) ++held.closeOnExec;
  }
  ::closedir(dir);
  return held;
}

std::string BusMode() {
  const char* mode = std::getenv("VORKAN_SLEEP_BUS");
  return mode ? mode : "";
}

TEST(MainWindowSleepInhibitor, HeldFromTheFirstReportToTheHideHoweverTheCopyEnds) {
  const std::string mode = BusMode();
  if (mode.empty()) GTEST_SKIP() << "runs under sleep_inhibitor.sh, with a system bus of its own";
  const bool logind = mode == "logind";

  struct Case {
    const char* what;
    int abortAtPump;      // 0: not aborted
    int failReadAtBlock;  // 0: every read answers
    std::vector<PromptButton> answers;
    std::vector<PromptKind> prompts;
  } cases[] = {
      {"success", 0, 0, {PromptButton::OK}, {PromptKind::Information}},
      {"aborted, image deleted", 5, 0, {PromptButton::No}, {PromptKind::Confirmation}},
      {"read error, part deleted",
       0,
       10,
       {PromptButton::Cancel, PromptButton::No},
       {PromptKind::Error, PromptKind::Confirmation}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = logind ? Recorded().size() : 0;
    WindowCopy copy(40);
    if (c.failReadAtBlock > 0) copy.Source().failReadAt = std::int64_t(c.failReadAtBlock) * 262144;
    // The newest inhibition, as the first report (the first pump with the
    // progress window shown) finds it.
    Inhibition taken;
    bool seenAtFirstReport = false;
    copy.duringPump = [&](int pump) {
      if (pump == c.abortAtPump) copy.main().abortRequested = 1;
      if (!logind || seenAtFirstReport || !progressWindow->isVisible()) return;
      const std::vector<Inhibition> calls = Recorded();
      ASSERT_EQ(calls.size(), before + 1) << "no inhibition at the first report";
      taken = calls.back();
      seenAtFirstReport = true;
      EXPECT_EQ(taken.what, QStringLiteral("sleep"));
      EXPECT_EQ(taken.who, QStringLiteral("Vorkan"));
      EXPECT_EQ(taken.why, QStringLiteral("Копирование диска C:\\"));
      EXPECT_EQ(taken.mode, QStringLiteral("block"));
      EXPECT_FALSE(taken.autoStart) << "the call may start logind";
      EXPECT_FALSE(taken.closed) << "let go at once";
      const Held held = HeldPipe(taken.inode);
      EXPECT_EQ(held.descriptors, 1);
      EXPECT_EQ(held.closeOnExec, 1) << "a started program would inherit it";
    };
    // Prompts over the progress window come while it is held; the success
    // message comes after the hide.
    copy.atPrompt = [&](PromptKind kind) {
      if (!logind || !seenAtFirstReport) return;
      const std::vector<Inhibition> calls = Recorded();
      ASSERT_EQ(calls.size(), before + 1);
      EXPECT_EQ(calls.back().closed, kind == PromptKind::Information) << "at a prompt of kind " << int(kind);
    };
    EXPECT_EQ(copy.RunAnswering(c.answers), c.prompts);
    if (!logind) continue;
    EXPECT_TRUE(seenAtFirstReport);
    const std::vector<Inhibition> calls = Recorded();
    ASSERT_EQ(calls.size(), before + 1) << "one inhibition per copy";
    EXPECT_TRUE(calls.back().closed) << "still held after the hide";
    EXPECT_EQ(HeldPipe(taken.inode).descriptors, 0);
  }
}

}  // namespace
}  // namespace vorkan::test
