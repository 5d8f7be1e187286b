// SPDX-License-Identifier: GPL-3.0-or-later
// What kind of drive a letter stands for, as the drive list names it and
// picks its icon.
#pragma once

namespace vorkan {

enum class DriveKind : unsigned {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6
};

}  // namespace vorkan
