// SPDX-License-Identifier: GPL-3.0-or-later
#include "Descriptors.h"

#include <dirent.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace vorkan::test {

int OpenDescriptorCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    // Event descriptors belong to Qt's threads (the D-Bus thread makes and
    // drops them as it pleases); the program itself never opens one.
    char target[64];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)).starts_with("anon_inode:")) continue;
    ++count;
  }
  ::closedir(dir);
  return count - 1;  // the listing's own descriptor
}

}  // namespace vorkan::test
