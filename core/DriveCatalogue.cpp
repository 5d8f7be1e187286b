#include "DriveCatalogue.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "ByteSize.h"
#include "HexDigit.h"
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

std::string SectorsHexText(std::int64_t sectors) {
  char text[24];
  std::snprintf(text, sizeof text, "$%010" PRIX64, static_cast<std::uint64_t>(sectors));
  return text;
}

std::optional<std::int64_t> ParseSectorsHex(const std::string& text) {
  if (text.size() < 2 || text.size() > 17 || text[0] != '$') return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<std::int64_t>(value);
}

void DriveListModel::Clear() {
  rows.clear();
  stateImages.clear();
  images.clear();
  selectedRow = -1;
  focusedRow = -1;
}

void DriveListModel::AppendRow(const DriveRecord& record) {
  rows.push_back(record);
  stateImages.push_back(-1);
}

bool DriveListModel::AppendDriveIcon(const std::string& rootPath, DriveKind driveType) {
  if (std::find(typesWithoutIcon.begin(), typesWithoutIcon.end(), driveType) != typesWithoutIcon.end())
    return false;
  images.push_back(Image{false, rootPath, driveType});
  return true;
}

void DriveListModel::AppendApplicationIcon() { images.push_back(Image{true, {}, DriveKind::Unknown}); }

void DriveListModel::SetStateImage(int row, int image) {
  if (row >= 0 && row < RowCount()) stateImages[static_cast<std::size_t>(row)] = image;
}

void DriveListModel::SelectAndFocusRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  selectedRow = row;
  focusedRow = row;
  ++selectionEvents;
}

int DriveListModel::RowOf(const std::string& rootPath) const {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].RootPath == rootPath) return static_cast<int>(i);
  return -1;
}

void FillDriveList(VolumeOps& ops, DriveListTarget& target) {
  target.Clear();
  ops.RefreshDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string rootPath = RootPathOf(letter);
    VolumeDetails details;
    GetVolumeDetails(ops, rootPath, details);  // its success flag is not looked at
    const std::int64_t length = GetDeviceLength(ops, kInvalidHandle, letter);
    const std::string sizeText = FormatByteSize(length);
    const DriveKind driveType = ops.KindOf(rootPath);
    const std::optional<std::string> mediaType = MediaTypeText(driveType);
    if (!mediaType) continue;

    DriveRecord record;
    record.RootPath = rootPath;
    record.SubItems[siVolumeLabel] = details.label;
    record.SubItems[siMediaType] = *mediaType;
    record.SubItems[siSizeText] = sizeText;
    record.SubItems[siFreeText] = details.freeText;
    record.SubItems[siSerialText] = details.serialText;
    record.SubItems[siFileSystemName] = details.fileSystemName;
    record.SubItems[siExactSizeText] = ExactSizeText(length);
    // Both counts are never negative, so the difference cannot overflow.
    record.SubItems[siUsedSectorsHex] = SectorsHexText((length - details.freeBytes) / 512);
    record.SubItems[siFreeSectorsHex] = SectorsHexText(details.freeBytes / 512);
    target.AppendRow(record);

    const int row = target.RowCount() - 1;
    if (!target.AppendDriveIcon(rootPath, driveType)) target.AppendApplicationIcon();
    target.SetStateImage(row, target.ImageCount() - 1);
  }
  if (target.RowCount() >= 1) target.SelectAndFocusRow(0);
  if (target.IsOnScreen()) target.FocusList();
}

}  // namespace vorkan
