// SPDX-License-Identifier: GPL-3.0-or-later
// The files behind the attached loop devices. Writing over one of them would
// change a live volume under its users, and truncating the one behind the
// volume being copied would destroy the source, so no image is made there.
#pragma once

#include <string>
#include <vector>

#include "volume/FileIdentity.h"

namespace vorkan {

// What `path` names, following symbolic links; false when nothing is there.
bool IdentityOfPath(const std::string& path, FileIdentity& identity);

// The backing files of every loop device under `sysBlockDir`
// (loop*/loop/backing_file) that can still be found by their path.
std::vector<FileIdentity> LoopBackingFiles(const std::string& sysBlockDir = "/sys/block");

}  // namespace vorkan
