// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextFormat.h"

namespace vorkan {

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == 's') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
      if (pattern[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

std::string FormatDriveText(const std::string& pattern, const std::string& drive) {
  if (drive.size() == 1) return FormatText(pattern, {drive});
  std::string named = pattern;
  const std::size_t at = named.find("%s:\\");
  if (at != std::string::npos) named.replace(at, 4, "%s");
  return FormatText(named, {drive});
}

}  // namespace vorkan
