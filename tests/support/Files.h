// SPDX-License-Identifier: GPL-3.0-or-later
// Files for the tests: writing and reading them whole, patterned contents,
// sizes and checksums of files and block devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorkan::test {

void WriteFile(const std::string& path, const std::string& bytes);  // throws when it cannot
std::string ReadFile(const std::string& path);
// Whether the path names anything, a dangling symbolic link included.
bool Exists(const std::string& path);
// The size of the image a process (this one by default) is writing for
// `target` (a file of no name in its folder, or its hidden partial file
// there), before it takes that name; -1 when there is none.
std::int64_t SizeOfImageBeingWritten(const std::string& target, const std::string& process = "self");
// The names in a folder, hidden ones included, sorted; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& folder);
// `size` bytes that differ with `seed`, so that no other copy can pass for them.
std::string PatternBytes(std::size_t size, unsigned seed);
std::int64_t SizeOf(const std::string& path);  // file or block device; -1 on failure
// Bytes of a file or block device that are in the page cache; -1 on failure.
std::int64_t CachedBytes(const std::string& path);
// Bytes a file takes on its file system (its allocated blocks, as du counts).
std::int64_t AllocatedBytes(const std::string& path);
// The SHA-256 of a file or device as sha256sum prints it; empty on failure.
std::string Sha256(const std::string& path);
// The same of the first `bytes` bytes only.
std::string Sha256OfPrefix(const std::string& path, std::int64_t bytes);

}  // namespace vorkan::test
