// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempDir.h"

#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>

#include "Command.h"

namespace vorkan::test {

TempDir::TempDir() {
  char pattern[] = "/tmp/vorkan-test-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  ::chmod(path_.c_str(), 0755);  // reachable by the unprivileged child of the access tests
}

// Never reaches into a file system a failed test left mounted inside.
TempDir::~TempDir() { Run("rm -rf --one-file-system " + Quote(path_)); }

}  // namespace vorkan::test
