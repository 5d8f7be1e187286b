// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/LoopBackingFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

namespace vorkan {

bool IdentityOfPath(const std::string& path, FileIdentity& identity) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  identity = FileIdentity{st.st_dev, st.st_ino};
  return true;
}

std::vector<FileIdentity> LoopBackingFiles(const std::string& sysBlockDir) {
  std::vector<FileIdentity> files;
  DIR* dir = ::opendir(sysBlockDir.c_str());
  if (dir == nullptr) return files;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, "loop", 4) != 0) continue;
    // Present only while a file is attached; the kernel ends the path with
    // a line feed (and marks a deleted file, which stat then cannot find).
    std::ifstream in(sysBlockDir + "/" + entry->d_name + "/loop/backing_file");
    std::string path;
    if (!std::getline(in, path) || path.empty()) continue;
    FileIdentity identity;
    if (IdentityOfPath(path, identity)) files.push_back(identity);
  }
  ::closedir(dir);
  return files;
}

}  // namespace vorkan
