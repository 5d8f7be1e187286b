// SPDX-License-Identifier: GPL-3.0-or-later
// The three routines the rest of the program calls for sizes and details.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "volume/VolumeOps.h"

namespace vorkan {

struct VolumeDetails {
  std::string label;
  std::string fileSystemName;
  std::string serialText;               // eight upper-case hexadecimal digits, or empty
  std::optional<std::uint32_t> serial;  // what serialText shows; none when it is empty
  std::string freeText;                 // FormatByteSize of the total free bytes
  std::int64_t freeBytes = 0;
};

// The volume's length in bytes, 0 on any failure. With a handle the handle is
// left open; with kInvalidHandle the routine opens and closes one itself.
std::int64_t GetDeviceLength(VolumeOps& ops, VolumeHandle handle, char letter);

// Success when the volume information could be read; the free text and free
// bytes are always set, the label, name and serial only on success.
bool GetVolumeDetails(VolumeOps& ops, const std::string& rootPath, VolumeDetails& details);

// The total free bytes of the drive, 0 on any failure.
std::int64_t GetFreeBytes(VolumeOps& ops, char letter);

// The total free bytes of the file system that holds the image file
// `path`, whether or not a lettered volume does; 0 on any failure.
std::int64_t GetTargetFreeBytes(VolumeOps& ops, const std::string& path);

// "00001A2B" for 0x1A2B.
std::string SerialText(std::uint32_t serial);

}  // namespace vorkan
