// SPDX-License-Identifier: GPL-3.0-or-later
// A user who is neither root nor in the disk group lists and copies a volume
// through the real windows, the volume opened through udisks2 on a private
// system bus (tests/support/udisks_env.sh): one test user whom polkit allows,
// one whom it refuses.
//
// The AsUserJourneys tests run as root: they make the volume, start the
// environment and run this same program as a test user for one of the
// DISABLED_AsUser tests, which drive the windows; root then checks what only
// root can see (the image against the device, exclusive opens).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "ByteSize.h"
#include "Journey.h"
#include "Shell.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "UDisksOpener.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

// --- the user's side --------------------------------------------------------

std::string Param(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The real opener, with a count of the opens that may ask (a password
// prompt on a desktop) and of those that may not.
class CountingOpener : public DeviceOpener {
 public:
  int Open(const std::string& devicePath, int extraFlags, bool mayAsk) override {
    ++(mayAsk ? asking : quiet);
    return real_.Open(devicePath, extraFlags, mayAsk);
  }
  bool Properties(const std::string& devicePath, BlockProperties& out) override {
    return real_.Properties(devicePath, out);
  }
  int asking = 0;
  int quiet = 0;

 private:
  UDisksOpener real_;
};

// The program's windows over the Linux volume layer with the udisks2 opener,
// as start-up makes them, and the letter of the journey's device.
LinuxVolumeOps& WithOpener(LinuxVolumeOps& ops, DeviceOpener& opener) {
  ops.SetDeviceOpener(&opener);
  return ops;
}

class UserWindows {
 public:
  UserWindows() : windows_(WithOpener(ops_, opener)) { letter = ops_.Map().LetterOfDevice(device.substr(5)); }
  MainWindow& main() { return windows_.main(); }
  Windows& windows() { return windows_; }

  const std::string device = Param("VORKAN_JOURNEY_DEVICE");
  CountingOpener opener;
  char letter = 0;

 private:
  LinuxVolumeOps ops_;
  Windows windows_;
};

// How many of this process's descriptors refer to `path`.
int DescriptorsOn(const std::string& path) {
  int count = 0;
  for (const std::filesystem::directory_entry& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(fd.path(), error) == path) ++count;
  }
  return count;
}

// Everything written into the named pipe `fifo` until its last writer
// closes it (bounded, should none ever come).
std::string ReadPipeToEnd(const std::string& fifo) {
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  std::string text;
  pollfd p{fd, POLLIN, 0};
  char buffer[4096];
  while (fd >= 0 && ::poll(&p, 1, 30000) > 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (fd >= 0) ::close(fd);
  return text;
}

// What a program started the way the program starts the file manager holds
// open: an xdg-open of the test's own, first on the PATH, writes the targets
// of its descriptors into a pipe.
std::vector<std::string> DescriptorsOfAStartedChild() {
  const std::string home = Param("HOME");
  const std::string bin = home + "/bin";
  const std::string fifo = home + "/child-fds";
  ::mkdir(bin.c_str(), 0755);
  WriteFile(bin + "/xdg-open",
            "#!/bin/sh\nfor f in /proc/$$/fd/*; do readlink \"$f\"; done > " + fifo + "\n");
  ::chmod((bin + "/xdg-open").c_str(), 0755);
  ::unlink(fifo.c_str());
  if (::mkfifo(fifo.c_str(), 0600) != 0) return {"no pipe"};
  const std::string path = Param("PATH");
  ::setenv("PATH", (bin + ":" + path).c_str(), 1);
  OpenWithDesktop("/");
  ::setenv("PATH", path.c_str(), 1);
  const std::string text = ReadPipeToEnd(fifo);
  ::unlink(fifo.c_str());
  std::vector<std::string> targets;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) targets.push_back(line);
  return targets;
}

// Root's answer to an exclusive open of the device, asked through the pipes
// of the root side: "EBUSY" or "free".
std::string RootExclusiveOpen() {
  const std::string dir = Param("VORKAN_JOURNEY_PROBE_DIR");
  const int request = ::open((dir + "/request").c_str(), O_WRONLY | O_CLOEXEC);
  if (request < 0 || ::write(request, "?", 1) != 1) return "no root side";
  ::close(request);
  std::ifstream reply(dir + "/reply");
  std::string answer;
  std::getline(reply, answer);
  return answer;
}

TEST(DISABLED_AsUser, ListShowsTheVolume) {
  UserWindows w;
  ASSERT_LT(::open(w.device.c_str(), O_RDONLY | O_CLOEXEC), 0) << "this user may read the device itself";
  ASSERT_NE(w.letter, 0) << "no drive letter for " << w.device;
  ASSERT_TRUE(ClickDriveRow(w.main(), w.letter)) << "no row for " << w.letter << ":\\";
  const int row = w.main().SelectedIndex();
  EXPECT_EQ(CellText(w.main(), row, DriveTableModel::Column::Label).toStdString(),
            Param("VORKAN_JOURNEY_LABEL"));
  EXPECT_EQ(CellText(w.main(), row, DriveTableModel::Column::Size).toStdString(),
            FormatByteSize(std::stoll(Param("VORKAN_JOURNEY_SIZE"))));
  DriveRecord record;
  ASSERT_TRUE(w.main().SelectedRow(record));
  EXPECT_EQ(record.FileSystemName, Param("VORKAN_JOURNEY_TYPE"));
  EXPECT_EQ(SerialText(record), Param("VORKAN_JOURNEY_SERIAL"));
  EXPECT_EQ(w.opener.asking + w.opener.quiet, 0) << "the list asked udisks2 to open a device";
}

TEST(DISABLED_AsUser, CopyEqualsTheDevice) {
  UserWindows w;
  const bool locked = Param("VORKAN_JOURNEY_LOCK") == "1";
  const std::string image = Param("VORKAN_JOURNEY_IMAGE");
  ASSERT_TRUE(ClickDriveRow(w.main(), w.letter)) << "no row for " << w.letter << ":\\";
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(w.main(), "lockCheckBox")->setChecked(locked);
  TypeIntoSaveDialog(image);
  w.windows().AnswerPrompts({PromptButton::OK});

  // Once, while the copy runs: what this process, a child of it and root see.
  bool probed = false;
  int heldHere = 0;
  std::vector<std::string> childHolds;
  std::string rootSees;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!progressWindow->isVisible() || probed) return;
    probed = true;
    heldHere = DescriptorsOn(w.device);
    childHolds = DescriptorsOfAStartedChild();
    if (locked) rootSees = RootExclusiveOpen();
  });
  probe.start();
  QTest::mouseClick(Control<QPushButton>(w.main(), "copyButton"), Qt::LeftButton);
  probe.stop();

  ASSERT_TRUE(probed) << "the progress window never showed";
  // One for the volume and one for its lock: none of the replies' own copies.
  EXPECT_EQ(heldHere, locked ? 2 : 1) << "descriptors of " << w.device << " while the copy ran";
  EXPECT_FALSE(childHolds.empty()) << "the started child reported nothing";
  for (const std::string& target : childHolds)
    EXPECT_NE(target, w.device) << "a started child holds the disk";
  if (locked) {
    EXPECT_EQ(rootSees, "EBUSY") << "the lock did not keep root's exclusive open out";
  }
  const std::string shown = std::string(1, w.letter) + ":\\";
  ASSERT_EQ(w.windows().prompts.size(), 1u);
  EXPECT_EQ(w.windows().prompts[0].text, "Диск " + shown + " успешно скопирован в " + image + ".");
  EXPECT_EQ(w.opener.asking, locked ? 2 : 1) << "the open (and the lock) through udisks2";
  EXPECT_EQ(Control<QCheckBox>(w.main(), "lockCheckBox")->isChecked(), locked);
  ExpectAtRest(w.main(), fdsBefore, w.device);
}

TEST(DISABLED_AsUser, RefusedCopyIsAFailedOpen) {
  UserWindows w;
  const std::string image = Param("VORKAN_JOURNEY_IMAGE");
  ASSERT_TRUE(ClickDriveRow(w.main(), w.letter)) << "no row for " << w.letter << ":\\";
  const int fdsBefore = OpenDescriptorCount();
  TypeIntoSaveDialog(image);
  w.windows().AnswerPrompts({PromptButton::OK});
  QTest::mouseClick(Control<QPushButton>(w.main(), "copyButton"), Qt::LeftButton);
  ASSERT_EQ(w.windows().prompts.size(), 1u);
  EXPECT_EQ(w.windows().prompts[0].text, "Диск " + std::string(1, w.letter) + ":\\ пуст, или ошибка чтения!");
  EXPECT_EQ(w.windows().prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(w.opener.asking, 1);
  EXPECT_FALSE(Exists(image)) << "the image of a refused copy was left";
  ExpectAtRest(w.main(), fdsBefore, w.device);
}

// polkit's text agent for this very process, on a terminal of its own
// (script): asked for an authorization, it writes the password question into
// its output and waits there for an answer that never comes.
class WaitingAgent {
 public:
  WaitingAgent() {
    const std::string home = Param("HOME");
    output = home + "/agent.out";
    const std::string ready = home + "/agent.ready";
    ::unlink(ready.c_str());
    ::mkfifo(ready.c_str(), 0600);
    // The agent closes descriptor 5 once it is registered.
    const std::string agent =
        "exec pkttyagent --process " + std::to_string(::getpid()) + " --notify-fd=5 5>" + ready;
    const std::string command =
        "exec script -qfc " + Quote(agent) + " /dev/null >" + output + " 2>&1 </dev/null";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execv(argv[0], const_cast<char* const*>(argv));
      ::_exit(127);
    }
    ReadPipeToEnd(ready);
    ::unlink(ready.c_str());
  }
  ~WaitingAgent() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);  // its terminal goes, and the agent with it
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Asking() { return ReadFile(output).find("Password:") != std::string::npos; }

  std::string output;

 private:
  pid_t pid_ = -1;
};

// Counts the paintings of a window.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// The main window closed while the password prompt waits for the user: the
// wait ends at once, the windows painted meanwhile, the open fails as a
// refused one (its image deleted) and the message loop ends.
TEST(DISABLED_AsUser, CloseWhileThePromptWaits) {
  UserWindows w;
  const std::string image = Param("VORKAN_JOURNEY_IMAGE");
  ASSERT_TRUE(ClickDriveRow(w.main(), w.letter)) << "no row for " << w.letter << ":\\";
  const int fdsBefore = OpenDescriptorCount();
  WaitingAgent agent;
  TypeIntoSaveDialog(image);
  w.windows().AnswerPrompts({});

  bool copyReturned = false, closed = false, loopStillRunning = false;
  int paintsBefore = -1, paintsWhileAsking = 0;
  PaintCounter counter;
  w.main().installEventFilter(&counter);
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(Control<QPushButton>(w.main(), "copyButton"), Qt::LeftButton);
    copyReturned = true;
  });
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (copyReturned || !agent.Asking()) return;
    if (paintsBefore < 0) {
      paintsBefore = counter.paints;
      w.main().update();
      return;
    }
    if (counter.paints == paintsBefore) return;
    paintsWhileAsking = counter.paints - paintsBefore;
    closer.stop();
    w.main().close();
    closed = true;
  });
  closer.start();
  const int status = ExecWithWatchdog(loopStillRunning);
  closer.stop();
  w.main().removeEventFilter(&counter);

  ASSERT_TRUE(closed) << "the prompt never came: " << ReadFile(agent.output);
  EXPECT_GT(paintsWhileAsking, 0) << "the window did not paint while the prompt waited";
  EXPECT_FALSE(loopStillRunning) << "the close did not end the wait";
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(copyReturned);
  EXPECT_TRUE(w.windows().prompts.empty()) << "a prompt waited: " << w.windows().prompts[0].text;
  EXPECT_EQ(w.opener.asking, 1);
  EXPECT_FALSE(Exists(image)) << "the image of a copy that never opened its volume was left";
  EXPECT_EQ(OpenDescriptorCount(), fdsBefore)
      << "a descriptor was left open"
      << test::Run("ls -l /proc/" + std::to_string(::getpid()) + "/fd").output;
  EXPECT_FALSE(HoldsDescriptorOn(w.device));
}

// --- root's side ------------------------------------------------------------

// Answers each request of the user's side with root's own exclusive open of
// the device, through two named pipes in `dir`.
class ExclusiveOpenServer {
 public:
  ExclusiveOpenServer(const std::string& dir, const std::string& device) : dir_(dir) {
    ::mkfifo((dir + "/request").c_str(), 0622);
    ::mkfifo((dir + "/reply").c_str(), 0644);
    ::chmod((dir + "/request").c_str(), 0622);
    ::chmod((dir + "/reply").c_str(), 0644);
    // Held open for both directions, so neither end ever waits for the other to open.
    request_ = ::open((dir + "/request").c_str(), O_RDWR | O_CLOEXEC);
    reply_ = ::open((dir + "/reply").c_str(), O_RDWR | O_CLOEXEC);
    if (::pipe2(stop_, O_CLOEXEC) != 0) stop_[0] = stop_[1] = -1;
    thread_ = std::thread([this, device] {
      pollfd fds[2] = {{request_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      char c;
      while (::poll(fds, 2, -1) > 0 && fds[1].revents == 0) {
        if (::read(request_, &c, 1) != 1) break;
        const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
        const std::string answer = fd >= 0 ? "free\n" : errno == EBUSY ? "EBUSY\n" : "failed\n";
        if (fd >= 0) ::close(fd);
        {
          const std::lock_guard<std::mutex> hold(mutex_);
          answers_ += answer.substr(0, answer.size() - 1) + " ";
        }
        if (::write(reply_, answer.data(), answer.size()) < 0) break;
      }
    });
  }
  ~ExclusiveOpenServer() {
    const ssize_t stopped = ::write(stop_[1], "x", 1);
    (void)stopped;  // the thread ends on the pipe's end as well
    ::close(stop_[1]);
    thread_.join();
    for (int fd : {request_, reply_, stop_[0]}) ::close(fd);
    ::unlink((dir_ + "/request").c_str());
    ::unlink((dir_ + "/reply").c_str());
  }
  // Root's answers so far, in order: "EBUSY ", "free ".
  std::string Answers() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return answers_;
  }

 private:
  std::mutex mutex_;
  std::string answers_;
  std::string dir_;
  int request_ = -1, reply_ = -1;
  int stop_[2] = {-1, -1};
  std::thread thread_;
};

struct Environment {
  std::string skip, failure;
  std::string state;  // the environment's folder
  std::unique_ptr<TempDir> volumeDir;
  std::unique_ptr<TestVolume> volume;
  std::map<std::string, std::string> values;  // of STATE/env
  std::string program;                        // this program, where the test users may run it
};

Environment& Env() {
  static Environment env;
  return env;
}

const std::string kEnvScript = VORKAN_UDISKS_ENV;

class AsUserJourneys : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    Environment& env = Env();
    if (!IsRoot()) {
      env.skip = "needs root: loop devices, test users and the udisks2 test environment";
      return;
    }
    env.skip = LoopDevicesUnavailable();
    if (!env.skip.empty()) return;
    env.volumeDir = std::make_unique<TempDir>();
    std::string why;
    env.volume = TestVolume::Make(VolumeKind::Vfat, env.volumeDir->Path() + "/volume", why,
                                  VolumeShape{"USERFAT", "4M", true});
    if (!env.volume) {
      env.skip = "no vfat volume: " + why;
      return;
    }
    char state[] = "/tmp/vorkan-user-journeys.XXXXXX";
    if (::mkdtemp(state) == nullptr) {
      env.failure = "mkdtemp failed";
      return;
    }
    env.state = state;
    ::chmod(state, 0755);
    const CommandResult started = test::Run(Quote(kEnvScript) + " start " + Quote(env.state + "/env") + " " +
                                            Quote(env.volume->Device()));
    if (started.status == 77) {
      env.skip = "udisks2 cannot run here: " + started.output;
      return;
    }
    if (started.status != 0) {
      env.failure = "the udisks2 environment did not start: " + started.output;
      return;
    }
    std::istringstream lines(ReadFile(env.state + "/env/env"));
    for (std::string line; std::getline(lines, line);)
      if (const std::size_t eq = line.find('='); eq != std::string::npos)
        env.values[line.substr(0, eq)] = line.substr(eq + 1);
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const CommandResult installed =
        test::Run(Quote(kEnvScript) + " install " + Quote(env.state + "/env") + " " +
                  Quote(std::string(self, n > 0 ? static_cast<std::size_t>(n) : 0)));
    if (installed.status != 0)
      env.failure = "could not install the program for the test users: " + installed.output;
    env.program = Trimmed(installed.output);
  }
  static void TearDownTestSuite() {
    Environment& env = Env();
    if (!env.state.empty()) {
      const CommandResult stopped = test::Run(Quote(kEnvScript) + " stop " + Quote(env.state + "/env"));
      if (stopped.status != 0) ADD_FAILURE() << "the environment did not stop: " << stopped.output;
      test::Run("rm -rf " + Quote(env.state));
    }
    env.volume.reset();
    env.volumeDir.reset();
  }

 protected:
  void SetUp() override {
    if (!Env().skip.empty()) GTEST_SKIP() << Env().skip;
    ASSERT_TRUE(Env().failure.empty()) << Env().failure;
  }

  std::string Device() { return Env().volume->Device(); }
  std::string Value(const std::string& key) { return Env().values[key]; }

  // Runs the user's side `test` as `user` ("allowed", "denied") with the
  // journey's parameters; fails with its output unless it passed.
  void RunAsUser(const std::string& user, const std::string& test,
                 const std::map<std::string, std::string>& params) {
    std::string command;
    std::map<std::string, std::string> all = params;
    all["VORKAN_JOURNEY_DEVICE"] = Device();
    for (const auto& [key, value] : all) command += key + "=" + Quote(value) + " ";
    command += Quote(kEnvScript) + " run-as " + Quote(Env().state + "/env") + " " + user + " " +
               Quote(Env().program) + " --gtest_also_run_disabled_tests --gtest_filter=DISABLED_AsUser." +
               test;
    const CommandResult result = test::Run(command);
    EXPECT_EQ(result.status, 0) << "as the " << user << " user: " << result.output;
    EXPECT_NE(result.output.find("[  PASSED  ] 1 test."), std::string::npos) << result.output;
  }
};

// Both users see the volume's size, label, type and serial, read without
// any authorization and without the list opening anything.
TEST_F(AsUserJourneys, ListShowsTheVolume) {
  const std::map<std::string, std::string> params = {
      {"VORKAN_JOURNEY_LABEL", Env().volume->Label()},
      {"VORKAN_JOURNEY_SIZE", std::to_string(SizeOf(Device()))},
      {"VORKAN_JOURNEY_TYPE", "vfat"},
      {"VORKAN_JOURNEY_SERIAL", "1A2B3C4D"}};
  for (const char* user : {"allowed", "denied"}) {
    SCOPED_TRACE(user);
    RunAsUser(user, "ListShowsTheVolume", params);
  }
}

// The allowed user's copy, unlocked and locked, is the device byte for byte;
// the locked one keeps root's exclusive open out while it runs, and the
// device opens exclusively again afterwards.
TEST_F(AsUserJourneys, AllowedCopyEqualsTheDevice) {
  for (const bool locked : {false, true}) {
    SCOPED_TRACE(locked ? "locked" : "unlocked");
    const std::string image = Value("VORKAN_ALLOWED_IMAGES") + "/copy.IMA";
    ExclusiveOpenServer server(Env().state, Device());
    RunAsUser("allowed", "CopyEqualsTheDevice",
              {{"VORKAN_JOURNEY_IMAGE", image},
               {"VORKAN_JOURNEY_LOCK", locked ? "1" : "0"},
               {"VORKAN_JOURNEY_PROBE_DIR", Env().state}});
    EXPECT_EQ(Sha256(image), Sha256(Device())) << "the image is not the device";
    EXPECT_EQ(server.Answers(), locked ? "EBUSY " : "");
    EXPECT_TRUE(CanOpenExclusive(Device())) << "the device is still held after the copy";
    ::unlink(image.c_str());
  }
}

// The main window closed while the copy waits at the password prompt (a
// polkit agent that never answers, for the refused user): the copy ends at
// once without an image and nothing of the device stays open.
TEST_F(AsUserJourneys, CloseWhileThePromptWaits) {
  for (const char* tool : {"script", "pkttyagent"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  const std::string image = Value("VORKAN_DENIED_IMAGES") + "/copy.IMA";
  RunAsUser("denied", "CloseWhileThePromptWaits", {{"VORKAN_JOURNEY_IMAGE", image}});
  EXPECT_FALSE(Exists(image));
  EXPECT_TRUE(CanOpenExclusive(Device()));
}

// The refused user's copy ends as a failed open, and leaves no image.
TEST_F(AsUserJourneys, RefusedCopyIsAFailedOpen) {
  const std::string image = Value("VORKAN_DENIED_IMAGES") + "/copy.IMA";
  RunAsUser("denied", "RefusedCopyIsAFailedOpen", {{"VORKAN_JOURNEY_IMAGE", image}});
  EXPECT_FALSE(Exists(image));
}

}  // namespace
}  // namespace vorkan::test
