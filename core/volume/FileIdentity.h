// A file as the system tells it apart: the same pair through any hard link,
// and another pair for a file made anew under the same name.
#pragma once

#include <sys/types.h>

namespace vorkan {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

}  // namespace vorkan
