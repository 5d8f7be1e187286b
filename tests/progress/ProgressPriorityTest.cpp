// SPDX-License-Identifier: GPL-3.0-or-later
// A priority the system refuses: the list shows the choice, the process keeps
// its priority, and the copy runs on. Run as root, the test starts itself
// again in a child process that has given up its privileges.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QTest>
#include <cstdlib>

#include "CopyJob.h"
#include "CopySource.h"
#include "ProcessPriority.h"
#include "ProgressHost.h"

namespace vorkan {
namespace {

constexpr const char* kChildVariable = "VORKAN_PROGRESS_UNPRIVILEGED_CHILD";
constexpr uid_t kNobody = 65534;

void CopyWhileRaisingThePriority() {
  // No loop devices without privileges: a regular file stands in.
  test::CopySource volume(12 * 262144, 21);
  ASSERT_EQ(volume.Problem(), "");
  const int niceBefore = CurrentNiceValue();
  test::ProgressHost host;
  host.DuringReport(2, [&] {
    host.Priority()->setFocus();
    QTest::keyClick(host.Priority(), Qt::Key_Down);
  });
  const std::string target = volume.Target("refused.IMA");
  EXPECT_TRUE(CopyDiskToImage(volume.Ops(), host, volume.Letter(), target));
  ASSERT_GE(host.reports.size(), 3u);
  EXPECT_EQ(host.reports[1].priority, "Высокий") << "the list takes the choice";
  for (const test::Snapshot& s : host.reports)
    EXPECT_EQ(s.nice, niceBefore) << "a refused change keeps the priority";
  EXPECT_TRUE(host.prompts.empty()) << "a refusal is not reported";
  EXPECT_EQ(test::ReadFile(target), volume.Bytes());
  EXPECT_EQ(host.Priority()->currentText(), "Нормальный");
}

TEST(ProgressPriority, RefusedRaiseChangesTheListOnlyAndTheCopyGoesOn) {
  if (std::getenv(kChildVariable) != nullptr || geteuid() != 0) {
    if (geteuid() == 0) GTEST_SKIP() << "the child could not give up root";
    CopyWhileRaisingThePriority();
    return;
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Child: give up root, then run this test alone in a fresh process.
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(3);
    setenv(kChildVariable, "1", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TMPDIR", "/tmp", 1);
    execl("/proc/self/exe", "progress_tests", "--gtest_filter=ProgressPriority.*",
          static_cast<char*>(nullptr));
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 4) GTEST_SKIP() << "the test program cannot be started without privileges";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged copy failed (its output is above)";
}

}  // namespace
}  // namespace vorkan
