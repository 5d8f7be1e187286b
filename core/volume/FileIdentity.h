// SPDX-License-Identifier: GPL-3.0-or-later
// A file as the system tells it apart: the same through any hard link, and
// another for a file made anew under the same name.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace vorkan {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  // When the file was made (ns), where asked for and the file system keeps
  // it: a file made after another was deleted may get its inode number.
  std::int64_t born = 0;
  bool operator==(const FileIdentity&) const = default;
};

// What the name `name` in the folder `folder` (a descriptor, or AT_FDCWD
// for a path) is itself, a symbolic link as such, with its birth; false
// when nothing is there.
bool IdentityOfNameAt(int folder, const std::string& name, FileIdentity& identity);
bool IdentityOfName(const std::string& path, FileIdentity& identity);

}  // namespace vorkan
