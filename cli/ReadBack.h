// SPDX-License-Identifier: GPL-3.0-or-later
// A file read back from its disk, not from the page cache, for its SHA-256:
// what a verification must see is what the disk holds.
#pragma once

#include <string>

namespace vorkan::cli {

// Opened for reading past the page cache (O_DIRECT, or with the cached pages
// dropped where the file system has no direct reads); -1 with errno set.
int OpenFromDisk(const std::string& path);

// The digest as 64 hexadecimal digits; false with errno set when the file
// cannot be read.
bool Sha256FromDisk(const std::string& path, std::string& hex);

}  // namespace vorkan::cli
