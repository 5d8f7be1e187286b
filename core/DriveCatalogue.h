// SPDX-License-Identifier: GPL-3.0-or-later
// The drive list: one row per drive letter that holds a local, removable,
// optical, RAM or unidentified volume, with what the main window and the
// drive information window show of it. The row keeps sizes and counts as
// numbers; the texts are made from them where the row is shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "volume/VolumeOps.h"

namespace vorkan {

struct DriveRecord {
  std::string RootPath;        // the caption: "C:\"
  std::string VolumeLabel;     // possibly empty
  std::string MediaType;       // MediaTypeText of the drive type
  std::string FileSystemName;  // empty when the volume could not be probed
  // The device length, 0 when it cannot be told.
  std::int64_t SizeBytes = 0;
  // The total free bytes, 0 when they cannot be told.
  std::int64_t FreeBytes = 0;
  // None when the volume could not be probed.
  std::optional<std::uint32_t> Serial;
  // Sectors of 512 bytes, used (SizeBytes - FreeBytes) and free. A length
  // that cannot be told beside free space that can makes the used count
  // negative; the pie shows only counts above zero.
  std::int64_t UsedSectors = 0;
  std::int64_t FreeSectors = 0;
  // What the volume layer knows of where the volume lives: the kind of
  // drive, its device node and where it is mounted; empty where unknown.
  DriveKind Kind = DriveKind::Unknown;
  std::string DevicePath;
  std::string MountPoint;

  bool operator==(const DriveRecord&) const = default;
};

// Media type texts; the copy request compares MediaType with this one.
inline constexpr const char* kMediaTypeCdRom = "CD-диск";

// The media type text of a drive type code; nullopt for the codes that get
// no row (no root dir, remote, unknown codes).
std::optional<std::string> MediaTypeText(DriveKind driveType);

// The length with the locale's thousands separator between groups of three
// digits and at least two digits ("05"), except that 0 gives "0".
std::string ExactSizeText(std::int64_t length);

// The texts a row is shown with: sizes as FormatByteSize gives them, the
// exact length as ExactSizeText, the serial as eight upper-case hexadecimal
// digits (empty when there is none).
std::string SizeText(const DriveRecord& row);
std::string FreeText(const DriveRecord& row);
std::string ExactSizeText(const DriveRecord& row);
std::string SerialText(const DriveRecord& row);

// What FillDriveList writes into: the main window's list and its image list.
class DriveListTarget {
 public:
  virtual ~DriveListTarget() = default;

  // Removes every row and every image.
  virtual void Clear() = 0;
  virtual void AppendRow(const DriveRecord& record) = 0;
  virtual int RowCount() const = 0;

  // Appends the desktop's small (16 x 16) icon for a drive of this type as
  // the new last image; false, appending nothing, when there is none.
  virtual bool AppendDriveIcon(const std::string& rootPath, DriveKind driveType) = 0;
  // Appends the application's icon as the new last image.
  virtual void AppendApplicationIcon() = 0;
  virtual int ImageCount() const = 0;
  virtual void SetStateImage(int row, int image) = 0;

  // Makes the row the selected and focused one (this fires the list's
  // selection event).
  virtual void SelectAndFocusRow(int row) = 0;
  virtual bool IsOnScreen() const = 0;
  virtual void FocusList() = 0;
};

// Rebuilds the list: asks the volume layer to look at the drives again, then
// queries every letter from A to Z (volume details, device length and drive
// type, even for letters that get no row) and appends a row and an image for
// each that has a media type; selects the first row and, when the list is on
// screen, gives it the keyboard focus.
void FillDriveList(VolumeOps& ops, DriveListTarget& target);

}  // namespace vorkan
