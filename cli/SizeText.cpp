// SPDX-License-Identifier: GPL-3.0-or-later
#include "SizeText.h"

#include <cstdio>

namespace vorkan::cli {

std::string SizeText(std::int64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text,
                value < 10    ? "%.2f %s"
                : value < 100 ? "%.1f %s"
                              : "%.0f %s",
                value, kUnits[unit]);
  return text;
}

}  // namespace vorkan::cli
