// The image file on a real file system, shared by every VolumeOps
// implementation: the target must be a regular file, since a path naming a
// device, a pipe or a socket would otherwise be overwritten or block.
#pragma once

#include <cstdint>
#include <string>

#include "volume/VolumeOps.h"

namespace vorkan {

// Creates or replaces the regular file at `path` (mode 0644 before umask),
// empty. kInvalidImage when the folder is missing or not writable, or when
// the path names anything but a regular file; such a target is left untouched.
ImageHandle CreateImageFile(const std::string& path);
// Writes all `size` bytes, resuming after short writes and EINTR; false on a
// reported error (errno is left as the system set it).
bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size);
bool CloseImageFile(ImageHandle image);
bool DeleteImageFile(const std::string& path);

}  // namespace vorkan
