// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveCatalogue.h"

#include "ByteSize.h"
#include "LocaleSeparators.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {

std::optional<std::string> MediaTypeText(DriveKind driveType) {
  switch (driveType) {
    case DriveKind::Unknown: return std::string("Неизвестно");
    case DriveKind::Removable: return std::string("Съемный");
    case DriveKind::Fixed: return std::string("Локальный");
    case DriveKind::CdRom: return std::string(kMediaTypeCdRom);
    case DriveKind::RamDisk: return std::string("RAM-диск");
    default: return std::nullopt;
  }
}

std::string ExactSizeText(std::int64_t length) {
  // The magnitude as unsigned, so that the most negative count has one too.
  const bool negative = length < 0;
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(length) + 1 : static_cast<std::uint64_t>(length);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 2) digits.insert(0, "0");
  const std::string separator = ThousandsSeparator();
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
    text.push_back(digits[i]);
  }
  if (negative) text.insert(0, "-");
  if (text == "00") text = "0";
  return text;
}

std::string SizeText(const DriveRecord& row) { return FormatByteSize(row.SizeBytes); }

std::string FreeText(const DriveRecord& row) { return FormatByteSize(row.FreeBytes); }

std::string ExactSizeText(const DriveRecord& row) { return ExactSizeText(row.SizeBytes); }

std::string SerialText(const DriveRecord& row) {
  return row.Serial ? SerialText(*row.Serial) : std::string();
}

void FillDriveList(VolumeOps& ops, DriveListTarget& target) {
  target.Clear();
  ops.RefreshDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string rootPath = RootPathOf(letter);
    VolumeDetails details;
    GetVolumeDetails(ops, rootPath, details);  // its success flag is not looked at
    const std::int64_t length = GetDeviceLength(ops, kInvalidHandle, letter);
    const DriveKind driveType = ops.KindOf(rootPath);
    const std::optional<std::string> mediaType = MediaTypeText(driveType);
    if (!mediaType) continue;

    DriveRecord record;
    record.RootPath = rootPath;
    record.VolumeLabel = details.label;
    record.MediaType = *mediaType;
    record.FileSystemName = details.fileSystemName;
    record.SizeBytes = length;
    record.FreeBytes = details.freeBytes;
    record.Serial = details.serial;
    // Both counts are never negative, so the difference cannot overflow.
    record.UsedSectors = (length - details.freeBytes) / 512;
    record.FreeSectors = details.freeBytes / 512;
    record.Kind = driveType;
    record.DevicePath = ops.DeviceOfRootPath(rootPath);
    record.MountPoint = ops.FolderOfRootPath(rootPath);
    target.AppendRow(record);

    const int row = target.RowCount() - 1;
    if (!target.AppendDriveIcon(rootPath, driveType)) target.AppendApplicationIcon();
    target.SetStateImage(row, target.ImageCount() - 1);
  }
  if (target.RowCount() >= 1) target.SelectAndFocusRow(0);
  if (target.IsOnScreen()) target.FocusList();
}

}  // namespace vorkan
