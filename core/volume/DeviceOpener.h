// SPDX-License-Identifier: GPL-3.0-or-later
// Another way into a block device for a user who may not open its node: a
// service of the system that opens it on the user's behalf once the desktop
// has authorized it (udisks2 and polkit on a Linux desktop), and tells what
// it knows about the volume without asking anyone.
#pragma once

#include <cstdint>
#include <string>

namespace vorkan {

// What the service knows of a volume without reading it.
struct BlockProperties {
  std::uint64_t size = 0;  // bytes
  std::string idLabel;     // the file system's label as the service reads it
  std::string idType;      // "vfat", "ext4", ...; empty when none was found
  std::string idUuid;      // as libblkid writes it: "1A2B-3C4D", "c0ffee11-..."
};

class DeviceOpener {
 public:
  virtual ~DeviceOpener() = default;

  // A close-on-exec descriptor of `devicePath` opened for reading, with
  // `extraFlags` (O_EXCL for the lock) added to the open; -1 with errno:
  // EBUSY when the device is busy (mounted, or held exclusively), EACCES when
  // the authorization was refused or dismissed, ENOENT or ENODEV when there
  // is no such service or it knows no such device. Only when `mayAsk` may it
  // ask the user (a password prompt), which can take minutes.
  virtual int Open(const std::string& devicePath, int extraFlags, bool mayAsk) = 0;

  // The volume's properties; never asks the user. False when unknown.
  virtual bool Properties(const std::string& devicePath, BlockProperties& out) = 0;
};

}  // namespace vorkan
