// SPDX-License-Identifier: GPL-3.0-or-later
// number × numerator / denominator in 64 bits, rounded to nearest (halves away
// from zero); -1 when the denominator is 0. The one scaling routine of the
// drawn controls and the prompt box's dialog units.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace vorkan {

inline int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const std::int64_t magnitude = std::llabs(product);
  const std::int64_t divisor = std::llabs(static_cast<std::int64_t>(denominator));
  const std::int64_t quotient = (magnitude + divisor / 2) / divisor;
  return static_cast<int>(negative ? -quotient : quotient);
}

}  // namespace vorkan
