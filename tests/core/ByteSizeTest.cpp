// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <cstdint>
#include <limits>
#include <string>

#include "ByteSize.h"
#include "LocaleSeparators.h"

using vorkan::FormatByteSize;
using vorkan::OverrideSeparators;

namespace {

struct Row {
  std::int64_t count;
  const char* text;  // written with a comma
};

const Row kRows[] = {
    {0, "0 б"},
    {-5, "0 б"},
    {1, "1 б"},
    {2, "2,0 б"},
    {1023, "1023,0 б"},
    {1024, "1024,0 б"},
    {1025, "1 Кб"},
    {1100, "1,07 Кб"},
    {1152, "1,13 Кб"},
    {1535, "1,5 Кб"},
    {1536, "1,5 Кб"},
    {2047, "2,0 Кб"},
    {1048575, "1024,0 Кб"},
    {1048576, "1024,0 Кб"},
    {1048577, "1 Мб"},
    {1474560, "1,41 Мб"},
    {737280000, "703,1 Мб"},
    {4700000000LL, "4,4 Гб"},
    {1000000000000LL, "931,3 Гб"},
    {1099511627776LL, "1024,0 Гб"},
    {1099511627777LL, "1 Тб"},
    {std::numeric_limits<std::int64_t>::max(), "8,0 Эб"},
};

std::string WithSeparator(std::string text, const std::string& separator) {
  const auto at = text.find(',');
  if (at != std::string::npos) text.replace(at, 1, separator);
  return text;
}

class ByteSizeTest : public ::testing::Test {
 protected:
  void TearDown() override { OverrideSeparators(std::nullopt, std::nullopt); }
};

TEST_F(ByteSizeTest, WorkedExamplesWithCommaAndPoint) {
  for (const char* separator : {",", "."}) {
    OverrideSeparators(std::string(separator), std::string(" "));
    for (const Row& row : kRows)
      EXPECT_EQ(FormatByteSize(row.count), WithSeparator(row.text, separator))
          << row.count << " with '" << separator << "'";
  }
}

TEST_F(ByteSizeTest, EveryNegativeCountIsZeroBytes) {
  OverrideSeparators(std::string(","), std::string(" "));
  for (std::int64_t v : {std::int64_t{-1}, std::int64_t{-1024}, std::numeric_limits<std::int64_t>::min()})
    EXPECT_EQ(FormatByteSize(v), "0 б");
}

TEST_F(ByteSizeTest, PowersOf1024StayInTheSmallerUnit) {
  OverrideSeparators(std::string(","), std::string(" "));
  const char* units[] = {"б", "Кб", "Мб", "Гб", "Тб", "Пб", "Эб"};
  for (int i = 0; i < 6; ++i) {
    const std::int64_t power = std::int64_t{1} << (10 * (i + 1));
    EXPECT_EQ(FormatByteSize(power), std::string("1024,0 ") + units[i]);
    // Just above the power (by one unit of the smaller size, so doubles can tell).
    EXPECT_EQ(FormatByteSize(power + power / 1024), std::string("1 ") + units[i + 1]);
  }
}

TEST_F(ByteSizeTest, LargestUnitsNeverAppear) {
  OverrideSeparators(std::string(","), std::string(" "));
  for (std::int64_t v = std::numeric_limits<std::int64_t>::max(); v > 0; v /= 3) {
    const std::string text = FormatByteSize(v);
    EXPECT_EQ(text.find("Зб"), std::string::npos) << text;
    EXPECT_EQ(text.find("Йб"), std::string::npos) << text;
  }
}

TEST_F(ByteSizeTest, ReadsTheSeparatorFromTheLocale) {
  OverrideSeparators(std::nullopt, std::nullopt);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(FormatByteSize(1536), "1.5 Кб");
  EXPECT_EQ(vorkan::ThousandsSeparator(), "");
}

TEST_F(ByteSizeTest, MultiByteSeparatorIsKeptWhole) {
  // A no-break space as the decimal separator, as some locales have it.
  OverrideSeparators(std::string("\xC2\xA0"), std::string(" "));
  EXPECT_EQ(FormatByteSize(1100),
            "1\xC2\xA0"
            "07 Кб");
  EXPECT_EQ(vorkan::FirstCharacter("\xE2\x80\xAF"
                                   "x"),
            "\xE2\x80\xAF");
}

}  // namespace

namespace {

// The text worked out the slow and obvious way: the double's 18-digit
// decimal form from printf, rounded half away from zero at the last digit
// shown. The program's own formatting must agree with it everywhere.
std::string ReferenceText(std::int64_t count) {
  if (count <= 0) return "0 б";
  double x = static_cast<double>(count);
  std::size_t unit = 0;
  while (x > 1024.0) {
    x /= 1024.0;
    ++unit;
  }
  const bool nearOne = std::nearbyint(x) == 1.0;
  const int decimals = nearOne ? 2 : 1;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17e", x);
  std::string digits(1, buffer[0]);
  const char* p = buffer + 2;
  while (*p >= '0' && *p <= '9') digits += *p++;
  const int kept = std::atoi(p + 1) + 1 + decimals;
  std::string rounded = digits.substr(0, static_cast<std::size_t>(kept));
  if (kept < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(kept)] >= '5') {
    int i = kept - 1;
    while (i >= 0 && rounded[static_cast<std::size_t>(i)] == '9')
      rounded[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++rounded[static_cast<std::size_t>(i)];
    } else {
      rounded.insert(rounded.begin(), '1');
    }
  }
  const std::size_t integerDigits = rounded.size() - static_cast<std::size_t>(decimals);
  std::string whole = rounded.substr(0, integerDigits), fraction = rounded.substr(integerDigits);
  if (nearOne) {
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  }
  return whole + (fraction.empty() ? "" : "," + fraction) + " " + vorkan::SizeUnits[unit];
}

}  // namespace

TEST_F(ByteSizeTest, AgreesWithPrintfRoundingAtEveryKindOfCount) {
  OverrideSeparators(",", " ");
  std::vector<std::int64_t> counts;
  auto around = [&counts](double value) {
    const auto c = static_cast<std::int64_t>(value);
    for (std::int64_t d = -2; d <= 2; ++d) counts.push_back(c + d);
  };
  // Every rounding point of the one-decimal form, in the first units, where
  // a count can land exactly on a half.
  for (int unit = 0; unit <= 2; ++unit)
    for (int k = 0; k < 20480; ++k) around((2 * k + 1) / 20.0 * std::pow(1024.0, unit));
  // The two-decimal form near 1 of every unit, and the unit boundaries.
  for (int unit = 1; unit <= 6; ++unit) {
    for (int k = 50; k < 150; ++k) around((2 * k + 1) / 200.0 * std::pow(1024.0, unit));
    around(std::pow(1024.0, unit));
  }
  // Counts spread over the whole range, from a fixed seed.
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const int bits = 1 + static_cast<int>((state >> 58) % 63);
    counts.push_back(static_cast<std::int64_t>((state >> 1) >> (63 - bits)));
  }
  counts.push_back(std::numeric_limits<std::int64_t>::max());
  int mismatches = 0;
  for (const std::int64_t count : counts) {
    const std::string expected = ReferenceText(count);
    const std::string shown = FormatByteSize(count);
    if (shown != expected && ++mismatches <= 10)
      ADD_FAILURE() << count << ": shown \"" << shown << "\", expected \"" << expected << "\"";
  }
  EXPECT_EQ(mismatches, 0) << "of " << counts.size() << " counts";
}
