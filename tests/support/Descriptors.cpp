#include "Descriptors.h"

#include <dirent.h>

namespace vorkan::test {

int OpenDescriptorCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  ::closedir(dir);
  return count - 1;  // the listing's own descriptor
}

}  // namespace vorkan::test
