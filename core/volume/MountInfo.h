// SPDX-License-Identifier: GPL-3.0-or-later
// The mount table of this process as the kernel writes it in
// /proc/self/mountinfo: one line per mount, fields separated by spaces, with
// space, tab, newline and backslash inside a field written as octal escapes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorkan {

struct MountEntry {
  int mountId = 0;
  int parentId = 0;
  unsigned major = 0;  // st_dev of the mounted file system
  unsigned minor = 0;
  std::string root;        // the folder of the file system seen at the mount point
  std::string mountPoint;  // decoded ("/media/my disk")
  std::string fsType;      // "ext4", "xfs", "fuseblk"
  std::string source;      // decoded; "/dev/sda1", or "tmpfs", "none"
};

// Turns the kernel's octal escapes ("\040" space, "\011" tab, "\012" newline,
// "\134" backslash) back into the bytes they stand for; any other backslash is
// kept as it is.
std::string DecodeMountField(std::string_view field);

// Every well-formed line of a mountinfo text, in the order given; lines that
// do not have the shape the kernel writes are left out.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The current mount table; empty when it cannot be read.
std::vector<MountEntry> ReadMountInfo(const std::string& path = "/proc/self/mountinfo");

// The ID of the mount that holds `path` (statx with STATX_MNT_ID), the number
// the first field of mountinfo gives it; false when the system cannot tell
// (no such path, a kernel before 5.8).
bool MountIdOfPath(const std::string& path, std::uint64_t& mountId);

// Whether the absolute `path` is the mount point `mountPoint` or lies under it.
bool IsUnderMountPoint(std::string_view path, std::string_view mountPoint);

// The mount whose mount point is the longest one holding the absolute,
// resolved `path`; of mounts on the same point the last, which covers the
// others. -1 when none holds it.
int MountHoldingPath(const std::vector<MountEntry>& mounts, std::string_view path);

}  // namespace vorkan
