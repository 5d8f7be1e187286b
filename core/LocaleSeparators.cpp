// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocaleSeparators.h"

#include <clocale>

namespace vorkan {
namespace {
std::optional<std::string> g_decimal;
std::optional<std::string> g_thousands;
}  // namespace

std::string FirstCharacter(const std::string& text) {
  if (text.empty()) return {};
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 1;
  if (lead >= 0xF0)
    length = 4;
  else if (lead >= 0xE0)
    length = 3;
  else if (lead >= 0xC0)
    length = 2;
  return text.substr(0, length);
}

std::string DecimalSeparator() {
  if (g_decimal) return *g_decimal;
  const std::lconv* conv = std::localeconv();
  if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') return ".";
  return FirstCharacter(conv->decimal_point);
}

std::string ThousandsSeparator() {
  if (g_thousands) return *g_thousands;
  const std::lconv* conv = std::localeconv();
  if (conv == nullptr || conv->thousands_sep == nullptr) return ",";
  return FirstCharacter(conv->thousands_sep);
}

void OverrideSeparators(std::optional<std::string> decimal, std::optional<std::string> thousands) {
  g_decimal = std::move(decimal);
  g_thousands = std::move(thousands);
}

}  // namespace vorkan
