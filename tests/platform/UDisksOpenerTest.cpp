// SPDX-License-Identifier: GPL-3.0-or-later
// The udisks2 opener where udisks2 cannot answer: no bus at all, and a bus on
// which udisks2 is not running but would be started on demand. Every call
// fails at once with ENODEV, and nothing is started: a service started on
// demand could keep the drive list waiting for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "UDisksOpener.h"

namespace vorkan {
namespace {

using test::Quote;

// A bus of the test's own, ended by its PID.
class PrivateBus {
 public:
  explicit PrivateBus(const std::string& config) {
    const test::CommandResult r =
        test::Run("dbus-daemon --fork --print-address=1 --print-pid=1 --config-file=" + Quote(config));
    const std::size_t split = r.output.find('\n');
    if (r.status != 0 || split == std::string::npos) {
      error = r.output;
      return;
    }
    address = r.output.substr(0, split);
    pid_ = std::stoi(r.output.substr(split + 1));
  }
  ~PrivateBus() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  std::string address, error;

 private:
  pid_t pid_ = -1;
};

TEST(UDisksOpener, WithoutUDisks2EveryCallFailsAndStartsNothing) {
  if (!test::HaveTool("dbus-daemon")) GTEST_SKIP() << "dbus-daemon is not installed";
  test::TempDir dir;
  const std::string started = dir / "started";
  test::Run("mkdir " + Quote(dir / "services"));
  test::WriteFile(dir / "services/org.freedesktop.UDisks2.service",
                  "[D-BUS Service]\nName=org.freedesktop.UDisks2\nExec=/bin/touch " + started + "\n");
  test::WriteFile(
      dir / "bus.conf",
      "<busconfig><type>session</type><listen>unix:path=" + dir / "bus" + "</listen><servicedir>" +
          dir / "services" +
          "</servicedir><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
          "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
  PrivateBus bus(dir / "bus.conf");
  ASSERT_TRUE(bus.error.empty()) << "dbus-daemon did not start: " << bus.error;

  struct Case {
    const char* name;
    std::string address;
  };
  const std::vector<Case> cases = {{"no bus", "unix:path=" + dir / "no-bus"},
                                   {"a bus without udisks2", bus.address}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UDisksOpener opener(c.address);
    for (const bool mayAsk : {false, true}) {
      errno = 0;
      EXPECT_EQ(opener.Open("/dev/loop0", O_EXCL, mayAsk), -1);
      EXPECT_EQ(errno, ENODEV) << "may ask: " << mayAsk;
    }
    BlockProperties properties;
    EXPECT_FALSE(opener.Properties("/dev/loop0", properties));
  }
  EXPECT_FALSE(test::Exists(started)) << "a call started udisks2 on demand";
}

}  // namespace
}  // namespace vorkan
