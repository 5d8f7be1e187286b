// The image file on a real file system, shared by every VolumeOps
// implementation: the target must be a regular file, since a path naming a
// device, a pipe or a socket would otherwise be overwritten or block, and it
// must not be a file that holds a volume.
//
// The image is written behind: every ImageWriteBehind bytes appended start
// that range's write-out, and the range before it is waited for and dropped
// from the page cache, so a copy holds about two ranges of the image in
// memory and never makes the system write back gigabytes at once.
// Blocks of zeros are skipped over and left as holes; the file is given its
// full length when it is flushed or closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "volume/LoopBackingFiles.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// 32 blocks: few enough system calls per gigabyte not to show, enough in
// flight to keep a disk busy while the next range is filled, little memory.
constexpr std::int64_t ImageWriteBehind = 8 << 20;

// Creates or replaces the regular file at `path` (mode 0644 before umask),
// empty. kInvalidImage when the folder is missing or not writable, when the
// path names anything but a regular file, or when it is one of `refused`
// (by any link); such a target is looked at with stat only and not opened.
ImageHandle CreateImageFile(const std::string& path, const std::vector<FileIdentity>& refused);
// Writes all `size` bytes, resuming after short writes and EINTR, or none:
// on a reported error (errno is left as the system set it) the part that
// reached the file is cut off again, so the image holds whole appends only.
// A write-back error the system reports for an earlier range fails the
// append as well.
bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size);
// Cuts the last `bytes` appended bytes off the image again; errno is kept.
void CutImageFileBack(ImageHandle image, std::uint32_t bytes);
// Gives the image its full length and waits until all of it is on disk;
// false when the system reports an error for any of it.
bool FlushImageFile(ImageHandle image);
// Gives the image its full length and closes it without waiting for the disk.
bool CloseImageFile(ImageHandle image);
bool DeleteImageFile(const std::string& path);

// Whether all `size` bytes at `data` are zero.
bool IsZeroBlock(const void* data, std::uint32_t size);

}  // namespace vorkan
