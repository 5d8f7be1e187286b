// SPDX-License-Identifier: GPL-3.0-or-later
// A file system mounted on a folder for a test, unmounted again however the
// test ends.
#pragma once

#include <string>

namespace vorkan::test {

class MountedVolume {
 public:
  // Mounts `source` (a device, or with MS_BIND in `flags` a folder to show
  // again) on `folder`, which is made when missing; `data` holds the file
  // system's own options ("size=2m").
  MountedVolume(const std::string& source, const std::string& folder, const std::string& type,
                unsigned long flags = 0, const std::string& data = "");
  ~MountedVolume();
  MountedVolume(const MountedVolume&) = delete;
  MountedVolume& operator=(const MountedVolume&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }

 private:
  std::string folder_, error_;
  bool ok_ = false;
};

}  // namespace vorkan::test
