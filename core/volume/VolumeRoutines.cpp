// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/VolumeRoutines.h"

#include <cstdio>

#include "ByteSize.h"
#include "volume/Volume.h"

namespace vorkan {

std::int64_t GetDeviceLength(VolumeOps& ops, VolumeHandle handle, char letter) {
  std::int64_t result = 0;
  std::int64_t length = 0;
  if (handle != kInvalidHandle) {
    if (ops.VolumeLength(handle, length)) result = length;
    return result;
  }
  Volume own(ops, letter);
  if (!own) return 0;
  if (own.Length(length)) result = length;
  return result;
}

bool GetVolumeDetails(VolumeOps& ops, const std::string& rootPath, VolumeDetails& details) {
  details.label.clear();
  details.fileSystemName.clear();
  details.serialText.clear();
  details.serial.reset();
  VolumeInformation info;
  const bool ok = ops.ProbeFileSystem(rootPath, info);
  DiskFreeSpace space;
  if (ops.FreeSpaceOf(rootPath, space)) {
    details.freeText = FormatByteSize(space.totalFreeBytes);
    details.freeBytes = space.totalFreeBytes;
  } else {
    details.freeText = FormatByteSize(0);
    details.freeBytes = 0;
  }
  if (ok) {
    details.label = info.label;
    details.fileSystemName = info.fileSystem;
    details.serialText = SerialText(info.serial);
    details.serial = info.serial;
  }
  return ok;
}

std::int64_t GetFreeBytes(VolumeOps& ops, char letter) {
  DiskFreeSpace space;
  if (!ops.FreeSpaceOf(RootPathOf(letter), space)) return 0;
  return space.totalFreeBytes;
}

std::int64_t GetTargetFreeBytes(VolumeOps& ops, const std::string& path) {
  DiskFreeSpace space;
  if (!ops.GetFolderFreeSpace(path, space)) return 0;
  return space.totalFreeBytes;
}

std::string SerialText(std::uint32_t serial) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(serial));
  return text;
}

}  // namespace vorkan
