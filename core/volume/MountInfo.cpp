// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/MountInfo.h"

#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vorkan {
namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size()) break;
    std::size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    fields.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return fields;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseEntry(std::string_view line, MountEntry& entry) {
  const std::vector<std::string_view> f = SplitFields(line);
  // id parent major:minor root mount-point options [optional...] - type source super-options
  if (f.size() < 9) return false;
  std::size_t dash = 6;
  while (dash < f.size() && f[dash] != "-") ++dash;
  if (dash + 2 >= f.size()) return false;
  const std::size_t colon = f[2].find(':');
  if (colon == std::string_view::npos) return false;
  if (!ParseNumber(f[0], entry.mountId) || !ParseNumber(f[1], entry.parentId) ||
      !ParseNumber(f[2].substr(0, colon), entry.major) || !ParseNumber(f[2].substr(colon + 1), entry.minor))
    return false;
  entry.root = DecodeMountField(f[3]);
  entry.mountPoint = DecodeMountField(f[4]);
  entry.fsType = DecodeMountField(f[dash + 1]);
  entry.source = DecodeMountField(f[dash + 2]);
  return true;
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    MountEntry entry;
    if (ParseEntry(text.substr(pos, end - pos), entry)) entries.push_back(std::move(entry));
    pos = end + 1;
  }
  return entries;
}

std::vector<MountEntry> ReadMountInfo(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

bool MountIdOfPath(const std::string& path, std::uint64_t& mountId) {
  struct statx stx {};
  if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_MNT_ID, &stx) != 0) return false;
  if ((stx.stx_mask & STATX_MNT_ID) == 0) return false;
  mountId = stx.stx_mnt_id;
  return true;
}

bool IsUnderMountPoint(std::string_view path, std::string_view mountPoint) {
  if (mountPoint.empty() || path.compare(0, mountPoint.size(), mountPoint) != 0) return false;
  // "/mnt/a" holds "/mnt/a" and "/mnt/a/x", not "/mnt/ab".
  return mountPoint.back() == '/' || path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

int MountHoldingPath(const std::vector<MountEntry>& mounts, std::string_view path) {
  int best = -1;
  for (std::size_t m = 0; m < mounts.size(); ++m) {
    if (!IsUnderMountPoint(path, mounts[m].mountPoint)) continue;
    if (best < 0 || mounts[m].mountPoint.size() >= mounts[static_cast<std::size_t>(best)].mountPoint.size())
      best = static_cast<int>(m);
  }
  return best;
}

}  // namespace vorkan
