#include "ReadThrottle.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

namespace vorkan::test {

ReadThrottle::ReadThrottle(const std::string& device, long bytesPerSecond) {
  const std::string root = "/sys/fs/cgroup/blkio";
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0 || ::access((root + "/cgroup.procs").c_str(), W_OK) != 0) return;
  dir_ = root + "/vorkan-test-" + std::to_string(::getpid()) + "-" + std::to_string(minor(st.st_rdev));
  if (::mkdir(dir_.c_str(), 0755) != 0) {
    dir_.clear();
    return;
  }
  std::ofstream(dir_ + "/blkio.throttle.read_bps_device")
      << major(st.st_rdev) << ":" << minor(st.st_rdev) << " " << bytesPerSecond << "\n";
}

ReadThrottle::~ReadThrottle() {
  if (dir_.empty()) return;
  // Whoever is still in it goes back to the root group first.
  std::ifstream procs(dir_ + "/cgroup.procs");
  std::string pid;
  while (std::getline(procs, pid)) std::ofstream("/sys/fs/cgroup/blkio/cgroup.procs") << pid << "\n";
  ::rmdir(dir_.c_str());
}

bool ReadThrottle::Add(pid_t pid) const {
  std::ofstream procs(dir_ + "/cgroup.procs");
  procs << pid << "\n";
  return static_cast<bool>(procs.flush());
}

}  // namespace vorkan::test
