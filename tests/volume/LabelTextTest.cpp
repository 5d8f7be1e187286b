// SPDX-License-Identifier: GPL-3.0-or-later
// Label bytes as the windows show them: UTF-8 unchanged, FAT labels in code
// page 866 decoded, anything else that is not UTF-8 repaired with U+FFFD.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TextDecoding.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan {
namespace {

#define R "\xEF\xBF\xBD"  // U+FFFD

TEST(VolumeLabelText, DecodesFatLabelsAndRepairsTheRest) {
  const struct {
    std::string raw;
    const char* fsType;
    std::string shown;
  } rows[] = {
      {"", "vfat", ""},
      {"VORKAN", "vfat", "VORKAN"},
      {"ДИСК", "vfat", "ДИСК"},  // already UTF-8: a FAT label written on Linux
      {"vorkan ext", "ext4", "vorkan ext"},
      {"\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF \xEF\xBF\xBF \xC2\x80", "ext4",
       "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF \xEF\xBF\xBF \xC2\x80"},  // the ends of each length
      {"\x84\x88\x91\x8A", "vfat", "ДИСК"},
      {"\x84\x88\x91\x8A", "msdos", "ДИСК"},
      {"\xAF\xE0\xA8\xA2\xA5\xE2 \xF0\xF1", "vfat", "привет Ёё"},
      {"DOS\xB0\xDB\xFF", "vfat", "DOS░█\xC2\xA0"},
      {"\x84\x88\x91\x8A", "ext4", R R R R},
      {"\x84\x88\x91\x8A", "exfat", R R R R},  // exFAT labels are UTF-16, never OEM
      {"\x84\x88\x91\x8A", "", R R R R},       // the link of an unmounted volume: no type
      {"a\x80"
       "b",
       "ntfs", "a" R "b"},             // a stray continuation byte
      {"ab\xE2\x82", "ext4", "ab" R},  // truncated at the end
      {"\xE2\x82"
       "c",
       "ext4", R "c"},  // truncated before a character
      {"\xF0\x9F\x98", "ext4", R},
      {"\xC0\xAF", "ext4", R R},  // overlong "/"
      {"\xE0\x80\xAF", "ext4", R R R},
      {"\xF0\x80\x80\xAF", "ext4", R R R R},
      {"\xC1\xBF", "ext4", R R},
      {"\xED\xA0\x80", "ext4", R R R},        // a surrogate
      {"\xF4\x90\x80\x80", "ext4", R R R R},  // above U+10FFFF
      {"\xF5\xFF", "ext4", R R},
  };
  for (const auto& row : rows) {
    const std::string shown = VolumeLabelText(row.raw, row.fsType);
    EXPECT_EQ(shown, row.shown) << testing::PrintToString(row.raw) << " " << row.fsType;
    EXPECT_TRUE(IsValidUtf8(shown));
    EXPECT_EQ(IsValidUtf8(row.raw), shown == row.raw) << testing::PrintToString(row.raw);
  }
}

// Every byte of the code page as iconv decodes it.
TEST(VolumeLabelText, CodePage866IsTheSystemsOwn) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  test::TempDir dir;
  test::WriteFile(dir / "cp866", all);
  const test::CommandResult iconv = test::Run("iconv -f CP866 -t UTF-8 " + test::Quote(dir / "cp866"));
  if (iconv.status != 0) GTEST_SKIP() << "iconv knows no CP866 here: " << iconv.output;
  EXPECT_EQ(Cp866ToUtf8(all), iconv.output);
}

#undef R

}  // namespace
}  // namespace vorkan
