// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListCommand.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "DriveRows.h"
#include "ExitStatus.h"
#include "JsonText.h"
#include "SizeText.h"
#include "UDisksOpener.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::cli {
namespace {

const char* KindWord(DriveKind kind) {
  switch (kind) {
    case DriveKind::Removable: return "removable";
    case DriveKind::Fixed: return "fixed";
    case DriveKind::CdRom: return "cdrom";
    case DriveKind::RamDisk: return "ramdisk";
    default: return "unknown";
  }
}

// Columns as a terminal counts them: one per character, not per byte.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Letter(const DriveRecord& row) { return row.RootPath.substr(0, 1) + ":"; }

void PrintJson(const std::vector<DriveRecord>& rows) {
  std::string out = "[";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const DriveRecord& r = rows[i];
    out += i == 0 ? "\n" : ",\n";
    out += "  {\"letter\": " + JsonString(Letter(r)) + ", \"device\": " + JsonString(r.DevicePath) +
           ", \"label\": " + JsonString(r.VolumeLabel) + ", \"type\": " + JsonString(KindWord(r.Kind)) +
           ", \"size\": " + std::to_string(r.SizeBytes) + ", \"free\": " + std::to_string(r.FreeBytes) +
           ", \"fileSystem\": " + JsonString(r.FileSystemName) +
           ", \"mountPoint\": " + JsonString(r.MountPoint) + "}";
  }
  out += rows.empty() ? "]\n" : "\n]\n";
  std::fputs(out.c_str(), stdout);
}

// Columns padded to their widest cell; "-" for what is unknown or empty.
void PrintTable(const std::vector<DriveRecord>& rows) {
  using Line = std::array<std::string, 8>;
  std::vector<Line> lines{{"LETTER", "DEVICE", "LABEL", "TYPE", "SIZE", "FREE", "FS", "MOUNT"}};
  const auto orDash = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
  for (const DriveRecord& r : rows)
    lines.push_back({Letter(r), orDash(r.DevicePath), orDash(r.VolumeLabel), KindWord(r.Kind),
                     SizeText(r.SizeBytes), SizeText(r.FreeBytes), orDash(r.FileSystemName),
                     orDash(r.MountPoint)});
  std::array<std::size_t, 8> widths{};
  for (const Line& line : lines)
    for (std::size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], Width(line[c]));
  for (const Line& line : lines) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      text += line[c];
      if (c + 1 < line.size()) text += std::string(widths[c] - Width(line[c]) + 2, ' ');
    }
    std::printf("%s\n", text.c_str());
  }
}

}  // namespace

int RunList(bool json) {
  // Sizes of volumes the user may not open come from udisks2, which never
  // asks anyone for them.
  UDisksOpener opener;
  LinuxVolumeOps ops;
  ops.SetDeviceOpener(&opener);
  DriveRows list;
  FillDriveList(ops, list);
  if (json)
    PrintJson(list.rows);
  else
    PrintTable(list.rows);
  return std::fflush(stdout) == 0 ? kSuccess : kFailed;
}

}  // namespace vorkan::cli
