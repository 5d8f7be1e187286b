#include <gtest/gtest.h>

#include <clocale>
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
  EXPECT_EQ(FormatByteSize(1100), "1\xC2\xA0" "07 Кб");
  EXPECT_EQ(vorkan::FirstCharacter("\xE2\x80\xAF" "x"), "\xE2\x80\xAF");
}

}  // namespace
