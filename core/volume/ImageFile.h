// The image file on a real file system, shared by every VolumeOps
// implementation: the target must be a regular file, since a path naming a
// device, a pipe or a socket would otherwise be overwritten or block, and it
// must not be a file that holds a volume.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "volume/LoopBackingFiles.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// Creates or replaces the regular file at `path` (mode 0644 before umask),
// empty. kInvalidImage when the folder is missing or not writable, when the
// path names anything but a regular file, or when it is one of `refused`
// (by any link); such a target is looked at with stat only and not opened.
ImageHandle CreateImageFile(const std::string& path, const std::vector<FileIdentity>& refused);
// Writes all `size` bytes, resuming after short writes and EINTR, or none:
// on a reported error (errno is left as the system set it) the part that
// reached the file is cut off again, so the image holds whole appends only.
bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size);
// Cuts the last `bytes` written bytes off the image again; errno is kept.
void CutImageFileBack(ImageHandle image, std::uint32_t bytes);
bool CloseImageFile(ImageHandle image);
bool DeleteImageFile(const std::string& path);

}  // namespace vorkan
