// The mount table of this process as the kernel writes it in
// /proc/self/mountinfo: one line per mount, fields separated by spaces, with
// space, tab, newline and backslash inside a field written as octal escapes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorkan {

struct MountEntry {
  int mountId = 0;
  int parentId = 0;
  unsigned major = 0;     // st_dev of the mounted file system
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

}  // namespace vorkan
