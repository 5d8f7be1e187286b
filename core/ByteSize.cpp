// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteSize.h"

#include <array>
#include <cmath>

#include "LocaleSeparators.h"

namespace vorkan {
namespace {

constexpr std::array<std::uint64_t, 19> kPowersOf10 = [] {
  std::array<std::uint64_t, 19> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

constexpr std::uint64_t Power10(int n) { return kPowersOf10[static_cast<std::size_t>(n)]; }

// The value's 18-significant-digit decimal form (what "%.17e" writes), with
// the digits in `digits` (18 of them) and the count of integer digits;
// x = mantissa / 2^shift, exactly, and x >= 1. Worked out in 128-bit integers,
// halves to even as printf rounds them, without printf's multi-precision work
// and its allocations, because the progress texts are formatted at every block.
struct Significant {
  std::uint64_t digits;
  int integerDigits;
};

Significant EighteenDigits(std::uint64_t mantissa, int shift) {
  constexpr std::uint64_t kTenTo17 = Power10(17);
  int integerDigits = 1;
  for (std::uint64_t whole = mantissa >> shift; whole >= 10; whole /= 10) ++integerDigits;
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * Power10(18 - integerDigits);
  std::uint64_t digits = static_cast<std::uint64_t>(scaled >> shift);
  if (shift > 0) {
    const unsigned __int128 rest = scaled & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
  }
  if (digits == 10 * kTenTo17) {  // 99.99...97 and the like carry into one more digit
    digits = kTenTo17;
    ++integerDigits;
  }
  return {digits, integerDigits};
}

// Appends x (>= 1, x = mantissa / 2^shift) with `decimals` fraction digits,
// rounding its 18-significant-digit decimal form half away from zero at the
// last digit shown, so 1.125 reads 1.13 although the double lies a hair
// below; `trimZeros` drops trailing zeros of the fraction and a bare
// separator.
void AppendDecimal(std::uint64_t mantissa, int shift, int decimals, bool trimZeros,
                   const std::string& separator, std::string& out) {
  const Significant s = EighteenDigits(mantissa, shift);
  // Digits kept: the integer digits and the decimals.
  const int dropped = 18 - (s.integerDigits + decimals);
  std::uint64_t rounded = s.digits / Power10(dropped);
  if (s.digits / Power10(dropped - 1) % 10 >= 5) ++rounded;
  const std::uint64_t scale = Power10(decimals);
  const std::uint64_t whole = rounded / scale;
  std::uint64_t fraction = rounded % scale;
  int fractionDigits = decimals;
  if (trimZeros) {
    while (fractionDigits > 0 && fraction % 10 == 0) {
      fraction /= 10;
      --fractionDigits;
    }
  }
  char buffer[24];
  char* end = buffer + sizeof buffer;
  char* p = end;
  std::uint64_t w = whole;
  do {
    *--p = static_cast<char>('0' + w % 10);
    w /= 10;
  } while (w != 0);
  out.append(p, end);
  if (fractionDigits == 0) return;
  out += separator;
  p = end;
  for (int i = 0; i < fractionDigits; ++i) {
    *--p = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  out.append(p, end);
}

}  // namespace

std::string FormatByteSize(std::int64_t count) {
  if (count <= 0) return std::string("0 ") + SizeUnits[0];
  double x = static_cast<double>(count);
  // Divisions by 1024 are exact: x is the count's double over 2^(10 * unit).
  const std::uint64_t mantissa = static_cast<std::uint64_t>(x);
  std::size_t unit = 0;
  while (x > 1024.0) {
    x /= 1024.0;
    ++unit;
  }
  const int shift = static_cast<int>(10 * unit);
  std::string text;
  text.reserve(32);
  // "#.##" (up to two decimals, trailing zeros and a bare separator dropped)
  // around 1; "0.0" (exactly one decimal) otherwise.
  if (std::nearbyint(x) == 1.0)
    AppendDecimal(mantissa, shift, 2, true, DecimalSeparator(), text);
  else
    AppendDecimal(mantissa, shift, 1, false, DecimalSeparator(), text);
  text += ' ';
  text += SizeUnits[unit];
  return text;
}

}  // namespace vorkan
