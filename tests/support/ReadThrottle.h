// Reads of one block device slowed down for the processes put in it (the
// blkio controller's throttle, cgroup v1, root only), removed at the end.
#pragma once

#include <sys/types.h>

#include <string>

namespace vorkan::test {

class ReadThrottle {
 public:
  ReadThrottle(const std::string& device, long bytesPerSecond);
  ~ReadThrottle();
  ReadThrottle(const ReadThrottle&) = delete;
  ReadThrottle& operator=(const ReadThrottle&) = delete;
  bool Ok() const { return !dir_.empty(); }
  bool Add(pid_t pid) const;

 private:
  std::string dir_;
};

}  // namespace vorkan::test
