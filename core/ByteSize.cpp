#include "ByteSize.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "LocaleSeparators.h"

namespace vorkan {
namespace {

// Writes x (>= 1) with `decimals` fraction digits, rounding the value's
// 18-significant-digit decimal form half away from zero at the last digit
// shown, so 1.125 reads 1.13 although the double lies a hair below.
void RoundDecimal(double x, int decimals, std::string& integerPart, std::string& fraction) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17e", x);  // d.ddddddddddddddddde+XX
  std::string digits;
  digits += buffer[0];
  const char* p = buffer + 2;
  while (*p >= '0' && *p <= '9') digits += *p++;
  const int exponent = std::atoi(p + 1);  // skip 'e'
  // Digits kept: the integer digits (exponent + 1) and the decimals.
  const int kept = exponent + 1 + decimals;
  std::string rounded = digits.substr(0, static_cast<std::size_t>(kept));
  if (kept < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(kept)] >= '5') {
    int i = kept - 1;
    while (i >= 0 && rounded[static_cast<std::size_t>(i)] == '9') rounded[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++rounded[static_cast<std::size_t>(i)];
    } else {
      rounded.insert(rounded.begin(), '1');
    }
  }
  const std::size_t integerDigits = rounded.size() - static_cast<std::size_t>(decimals);
  integerPart = rounded.substr(0, integerDigits);
  fraction = rounded.substr(integerDigits);
}

}  // namespace

std::string FormatByteSize(std::int64_t count) {
  if (count <= 0) return std::string("0 ") + SizeUnits[0];
  double x = static_cast<double>(count);
  std::size_t unit = 0;
  while (x > 1024.0) {
    x /= 1024.0;
    ++unit;
  }
  std::string integerPart, fraction;
  const std::string separator = DecimalSeparator();
  std::string text;
  if (std::nearbyint(x) == 1.0) {
    // "#.##": up to two decimals, trailing zeros and a bare separator dropped.
    RoundDecimal(x, 2, integerPart, fraction);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    text = integerPart;
    if (!fraction.empty()) text += separator + fraction;
  } else {
    // "0.0": exactly one decimal.
    RoundDecimal(x, 1, integerPart, fraction);
    text = integerPart + separator + fraction;
  }
  return text + " " + SizeUnits[unit];
}

}  // namespace vorkan
