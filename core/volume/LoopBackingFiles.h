// The files behind the attached loop devices. Writing over one of them would
// change a live volume under its users, and truncating the one behind the
// volume being copied would destroy the source, so no image is made there.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vorkan {

// A file as the system tells it apart: the same pair through any symbolic
// or hard link.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// What `path` names, following symbolic links; false when nothing is there.
bool IdentityOfPath(const std::string& path, FileIdentity& identity);

// The backing files of every loop device under `sysBlockDir`
// (loop*/loop/backing_file) that can still be found by their path.
std::vector<FileIdentity> LoopBackingFiles(const std::string& sysBlockDir = "/sys/block");

}  // namespace vorkan
