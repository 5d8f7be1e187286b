// SPDX-License-Identifier: GPL-3.0-or-later
#include "MountedVolume.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vorkan::test {

MountedVolume::MountedVolume(const std::string& source, const std::string& folder, const std::string& type,
                             unsigned long flags, const std::string& data)
    : folder_(folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  ok_ = ::mount(source.c_str(), folder.c_str(), type.c_str(), flags, data.empty() ? nullptr : data.c_str()) ==
        0;
  if (!ok_) error_ = "mount of " + source + " on " + folder + ": " + std::strerror(errno);
}

MountedVolume::~MountedVolume() {
  if (ok_ && ::umount2(folder_.c_str(), 0) != 0) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace vorkan::test
