// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace vorkan {

bool IdentityOfNameAt(int folder, const std::string& name, FileIdentity& identity) {
  struct statx st {};
  if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &st) != 0) return false;
  identity = FileIdentity{makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, 0};
  if ((st.stx_mask & STATX_BTIME) != 0)
    identity.born = static_cast<std::int64_t>(st.stx_btime.tv_sec) * 1000000000 + st.stx_btime.tv_nsec;
  return true;
}

bool IdentityOfName(const std::string& path, FileIdentity& identity) {
  return IdentityOfNameAt(AT_FDCWD, path, identity);
}

}  // namespace vorkan
