// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "CopyJob.h"
#include "CopyJobHost.h"

namespace vorkan {
namespace {

std::int32_t BytePercent(std::int64_t transferred, std::int64_t total) {
  if (transferred >= total) return 100;
  return static_cast<std::int32_t>(static_cast<__int128>(transferred) * 100 / total);
}

TEST(GaugeValues, BelowTwoToTheFortyTheyAreSectorCounts) {
  const std::int64_t total = (1LL << 40) - 1024;
  const GaugeValues g = GaugeValuesFor(total, 12345 * 512 + 17);
  EXPECT_EQ(g.maximum, total / 512);
  EXPECT_EQ(g.position, 12345);
  // Past the threshold the position is held by the gauge, never wrapped.
  const GaugeValues past = GaugeValuesFor(total, std::numeric_limits<std::int64_t>::max() / 2);
  EXPECT_EQ(past.position, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(PercentOfProgress(past.maximum, past.position), 100);
}

TEST(GaugeValues, LargeVolumesKeepTheBytePercentage) {
  for (std::int64_t total : {std::int64_t{1} << 40, (std::int64_t{1} << 41) + 12345, std::int64_t{16} << 40,
                             std::numeric_limits<std::int64_t>::max() / 4}) {
    for (int step = 0; step <= 1000; ++step) {
      const std::int64_t transferred = static_cast<std::int64_t>(static_cast<__int128>(total) * step / 1000);
      for (std::int64_t t : {transferred - 1, transferred, transferred + 1}) {
        if (t < 0) continue;
        const GaugeValues g = GaugeValuesFor(total, t);
        ASSERT_GT(g.maximum, 0);
        ASSERT_GE(g.position, 0);
        ASSERT_EQ(PercentOfProgress(g.maximum, g.position), BytePercent(t, total))
            << "total " << total << " transferred " << t;
      }
    }
    EXPECT_EQ(PercentOfProgress(GaugeValuesFor(total, total + TailMargin).maximum,
                                GaugeValuesFor(total, total + TailMargin).position),
              100);
  }
}

TEST(GaugeValues, SmallestLengthsGiveAMaximumOfTotalDiv512AndNeverANegativeOne) {
  // The whole device copied; the threshold is the length less the tail margin.
  struct Row {
    std::int64_t length;
    std::int32_t maximum;
    std::int32_t percent;
  };
  for (const Row& row : {Row{0, 1, 100},           // unknown length: a full gauge
                         Row{110'592, 1, 100},     // total -512: div 512 would be -1
                         Row{110'593, 0, 0},       // total -511: div 512 is 0
                         Row{111'103, 0, 0},       // total -1
                         Row{111'104, 0, 0},       // total 0
                         Row{111'616, 1, 100}}) {  // total 512
    const GaugeValues g = GaugeValuesFor(row.length - TailMargin, row.length);
    EXPECT_EQ(g.maximum, row.maximum) << row.length;
    EXPECT_EQ(PercentOfProgress(g.maximum, g.position), row.percent) << row.length;
  }
}

TEST(GaugeValues, PercentOfProgressIsTheGaugesArithmetic) {
  EXPECT_EQ(PercentOfProgress(0, 0), 0);
  EXPECT_EQ(PercentOfProgress(0, 50), 0);
  EXPECT_EQ(PercentOfProgress(1000, 999), 99);
  EXPECT_EQ(PercentOfProgress(1000, 5000), 100);
  EXPECT_EQ(PercentOfProgress(1000, -5), 0);
  EXPECT_EQ(PercentOfProgress(std::numeric_limits<std::int32_t>::max(),
                              std::numeric_limits<std::int32_t>::max() - 1),
            99);
}

}  // namespace
}  // namespace vorkan
