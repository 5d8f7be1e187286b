// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ProcessPriority.h"

namespace vorkan {
namespace {

class ProcessPriorityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "changing to a higher priority needs root; run the tests as root";
  }
  void TearDown() override {
    if (geteuid() == 0) SetProcessPriority(1);
  }
};

TEST_F(ProcessPriorityTest, EachIndexSetsItsNiceValueAndIoPriority) {
  SetProcessPriority(0);
  EXPECT_EQ(CurrentNiceValue(), 19);
  EXPECT_EQ(CurrentIoPriority().ioClass, 3) << "idle";

  SetProcessPriority(2);
  EXPECT_EQ(CurrentNiceValue(), -10);
  EXPECT_EQ(CurrentIoPriority().ioClass, 2) << "best-effort";
  EXPECT_EQ(CurrentIoPriority().level, 0) << "its highest level";

  SetProcessPriority(1);
  EXPECT_EQ(CurrentNiceValue(), 0);
  EXPECT_EQ(CurrentIoPriority().ioClass, 2);
  EXPECT_EQ(CurrentIoPriority().level, 4);
}

TEST_F(ProcessPriorityTest, IndicesOutsideTheListChangeNothing) {
  SetProcessPriority(2);
  SetProcessPriority(-1);
  SetProcessPriority(3);
  EXPECT_EQ(CurrentNiceValue(), -10);
  EXPECT_EQ(CurrentIoPriority().level, 0);
}

TEST_F(ProcessPriorityTest, OtherThreadsOfTheProcessTakeThePriorityToo) {
  std::mutex m;
  std::condition_variable cv;
  bool changed = false;
  int seenNice = 99;
  int seenIoClass = -1;
  std::thread other([&] {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return changed; });
    seenNice = CurrentNiceValue();
    seenIoClass = CurrentIoPriority().ioClass;
  });
  // The thread exists (it may still be starting to wait, which does not
  // matter: it reads its priority only after the change).
  SetProcessPriority(0);
  {
    std::lock_guard lock(m);
    changed = true;
  }
  cv.notify_one();
  other.join();
  EXPECT_EQ(seenNice, 19);
  EXPECT_EQ(seenIoClass, 3);
}

// Runs `body` in a child process without privileges; its exit code.
template <typename Body>
int InUnprivilegedChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    _exit(body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(ProcessPriorityTest, RefusedChangesLeaveThePriorityAsItWas) {
  SetProcessPriority(1);
  const int code = InUnprivilegedChild([] {
    if (CurrentNiceValue() != 0) return 1;
    SetProcessPriority(2);  // raising is refused without privileges
    if (CurrentNiceValue() != 0) return 2;
    SetProcessPriority(0);  // lowering is allowed
    if (CurrentNiceValue() != 19) return 3;
    if (CurrentIoPriority().ioClass != 3) return 4;
    SetProcessPriority(1);  // back up again is refused
    if (CurrentNiceValue() != 19) return 5;
    return 0;
  });
  EXPECT_EQ(code, 0) << "1: wrong start, 2: raised without privileges, 3/4: lowering failed, "
                        "5: raised back without privileges, 90: could not drop privileges";
}

}  // namespace
}  // namespace vorkan
