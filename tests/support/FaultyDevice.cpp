// SPDX-License-Identifier: GPL-3.0-or-later
#include "FaultyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Command.h"
#include "Files.h"

namespace vorkan::test {

std::string DeviceFaults::Text() const {
  std::string text = "read-rate=" + std::to_string(readRate) + " write-rate=" + std::to_string(writeRate);
  for (const Range& r : failing) {
    text += (r.failures < 0 ? " fail=" : " flaky=") + std::to_string(r.begin) + "-" + std::to_string(r.end);
    if (r.failures >= 0) text += ":" + std::to_string(r.failures);
  }
  return text + "\n";
}

FaultyDevice::FaultyDevice(const std::string& backingPath, const DeviceFaults& faults) {
  error_ = FaultyDevicesUnavailable();
  if (!error_.empty()) return;
  char folder[] = "/tmp/vorkan-faulty.XXXXXX";
  int ready[2];
  if (::mkdtemp(folder) == nullptr || ::pipe2(ready, O_CLOEXEC) != 0) {
    error_ = "no mount folder or pipe";
    return;
  }
  mount_ = folder;
  // Everything the child needs is made before the fork: it only execs.
  std::vector<std::string> args = {VORKAN_FAULTY_FS, "--ready-fd=" + std::to_string(ready[1])};
  args.push_back(backingPath);
  args.push_back(mount_);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();
  daemon_ = ::fork();
  if (daemon_ == 0) {
    // A test process that dies takes its daemon along.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    ::fcntl(ready[1], F_SETFD, 0);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(ready[1]);
  pollfd mounted{ready[0], POLLIN, 0};
  char byte = 0;
  const bool up = daemon_ > 0 && ::poll(&mounted, 1, 10000) == 1 && ::read(ready[0], &byte, 1) == 1;
  ::close(ready[0]);
  if (!up) {
    error_ = "faulty_fs did not mount " + backingPath + " (see its words above)";
    return;
  }
  if (!Set(faults)) {
    error_ = "faulty_fs did not take " + faults.Text();
    return;
  }
  loop_ = std::make_unique<LoopDevice>(mount_ + "/disk", LoopDevice::Options{.directIo = true});
  if (!loop_->Ok()) error_ = "no loop device: " + loop_->Error();
}

FaultyDevice::~FaultyDevice() {
  // No read waits for its turn any more, so the detach does not wait either.
  if (Ok()) Set({});
  loop_.reset();
  Stop();
  if (!mount_.empty()) ::rmdir(mount_.c_str());
}

bool FaultyDevice::Set(const DeviceFaults& faults) {
  const int fd = ::open((mount_ + "/control").c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  const std::string text = faults.Text();
  const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
  return ::close(fd) == 0 && written;
}

void FaultyDevice::Pull() {
  if (daemon_ <= 0) return;
  ::kill(daemon_, SIGKILL);
  ::waitpid(daemon_, nullptr, 0);
  daemon_ = -1;
}

void FaultyDevice::Stop() {
  if (!mount_.empty()) Run("umount -l " + Quote(mount_) + " 2>/dev/null");
  if (daemon_ <= 0) return;
  // The daemon ends once the last user of its file is gone; one that still
  // has a reader after two seconds is killed.
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(daemon_, nullptr, WNOHANG) == daemon_) {
      daemon_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Pull();
}

std::string FaultyDevicesUnavailable() {
  const std::string why = LoopDevicesUnavailable();
  if (!why.empty()) return why;
  if (::access("/dev/fuse", R_OK | W_OK) != 0) return "no /dev/fuse here (FUSE is not available)";
  if (::access(VORKAN_FAULTY_FS, X_OK) != 0)
    return std::string("faulty_fs is not built: ") + VORKAN_FAULTY_FS;
  return {};
}

}  // namespace vorkan::test
