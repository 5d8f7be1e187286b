// SPDX-License-Identifier: GPL-3.0-or-later
// The letter the copy job takes a source by, whatever the user named it with:
// a letter as the windows show it ("C:" or "C"), a device node or a link to
// one, the folder a volume is mounted on, or a regular file.
#pragma once

#include <string>

#include "volume/LinuxVolumeOps.h"

namespace vorkan::cli {

// 0 once it has said on stderr why there is none.
char SourceLetter(LinuxVolumeOps& ops, const std::string& source);

}  // namespace vorkan::cli
