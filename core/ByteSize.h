// SPDX-License-Identifier: GPL-3.0-or-later
// Sizes as the user reads them: a short number, a space and a Russian unit.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vorkan {

inline constexpr std::array<const char*, 9> SizeUnits = {"б", "Кб", "Мб", "Гб", "Тб", "Пб", "Эб", "Зб", "Йб"};

// "0 б" for zero and negative counts; otherwise the count in the largest unit
// that leaves at most 1024 of it, with the locale's decimal separator.
std::string FormatByteSize(std::int64_t count);

}  // namespace vorkan
