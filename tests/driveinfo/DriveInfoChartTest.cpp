// SPDX-License-Identifier: GPL-3.0-or-later
// What an opening puts on the window: the caption, the eight fields from the
// row, and the pie of used against free sectors or the cover that says the
// size is unknown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ColorValue.h"
#include "DriveInfoDriver.h"
#include "LocaleSeparators.h"

namespace vorkan::test {
namespace {

// What one opening showed, taken while the window was open.
struct Shown {
  QString caption;
  std::vector<QString> edits;  // the eight fields, top to bottom
  bool coverShown = false;
  int slices = 0;
  const chart::PiePoint* used = nullptr;
  const chart::PiePoint* free = nullptr;
  chart::PiePoint usedPoint, freePoint;
  TColor legendColor = 0;
  int usedPixels = 0, freePixels = 0;
};

Shown Open(DriveDetailsWindow& form, const DriveRecord& row) {
  Shown shown;
  OpenAndRun(form, row, [&shown](DriveDetailsWindow& f) {
    shown.caption = f.windowTitle();
    for (int n = 1; n <= 8; ++n) shown.edits.push_back(Field(f, n)->text());
    shown.coverShown = SizeUnknownCover(f)->isVisible();
    shown.slices = PieChartOf(f)->Series().Count();
    if (const chart::PiePoint* p = PointLabelled(f, QStringLiteral("Занято:"))) {
      shown.usedPoint = *p;
      shown.used = &shown.usedPoint;
    }
    if (const chart::PiePoint* p = PointLabelled(f, QStringLiteral("Свободно:"))) {
      shown.freePoint = *p;
      shown.free = &shown.freePoint;
    }
    shown.legendColor = PieChartOf(f)->Legend().Color();
    const QImage image = ChartOnScreen(f);
    shown.usedPixels = CountPixels(image, kUsedRgb);
    shown.freePixels = CountPixels(image, kFreeRgb);
  });
  return shown;
}

void ExpectPie(const Shown& shown, double used, double free) {
  EXPECT_FALSE(shown.coverShown);
  ASSERT_EQ(shown.slices, 2);
  ASSERT_NE(shown.used, nullptr);
  ASSERT_NE(shown.free, nullptr);
  EXPECT_EQ(shown.used->Value, used);
  EXPECT_EQ(shown.free->Value, free);
  EXPECT_GT(shown.usedPixels, 0) << "no used slice on screen";
  EXPECT_GT(shown.freePixels, 0) << "no free slice on screen";
}

void ExpectUnknown(const Shown& shown) {
  EXPECT_TRUE(shown.coverShown);
  EXPECT_EQ(shown.slices, 0);
  EXPECT_EQ(shown.usedPixels, 0);
  EXPECT_EQ(shown.freePixels, 0);
}

TEST(DriveInfoOpening, CaptionAndTheEightFieldsComeFromTheRow) {
  DriveDetailsWindow form;
  const DriveRecord row = NormalRow();
  // The window makes the size texts with the locale's separators.
  OverrideSeparators(",", " ");
  const Shown shown = Open(form, row);
  OverrideSeparators(std::nullopt, std::nullopt);
  EXPECT_EQ(shown.caption, QStringLiteral("Информация о диске"));
  const std::vector<QString> expected = {
      QStringLiteral("E:\\"),   QStringLiteral("DATA"),          QStringLiteral("Локальный"),
      QStringLiteral("1,9 Гб"), QStringLiteral("488,3 Мб"),      QStringLiteral("1A2B3C4D"),
      QStringLiteral("ext4"),   QStringLiteral("2 048 000 000"),
  };
  EXPECT_EQ(shown.edits, expected);
}

TEST(DriveInfoOpening, NormalRowShowsUsedThenFreeSlicesInTheirColours) {
  DriveDetailsWindow form;
  const Shown shown = Open(form, NormalRow());
  ExpectPie(shown, 3000000.0, 1000000.0);
  // Used added first, free second, whatever order the drawing sorts them in.
  EXPECT_LT(shown.used->Sequence, shown.free->Sequence);
  EXPECT_EQ(shown.used->Color, TColor{0x1C0CDA});
  EXPECT_EQ(shown.free->Color, TColor{0x0DFF86});
  EXPECT_EQ(shown.legendColor, clBtnFace);
}

TEST(DriveInfoOpening, SizeUnknownCoversTheChartWhenACountIsMissing) {
  struct Case {
    const char* what;
    DriveRecord row;
  };
  const std::vector<Case> cases = {
      {"optical drive without a disc", EmptyOpticalRow()},
      {"full volume (free 0)", RowWithCounts(0x2DC6C0, 0)},
      {"nothing used", RowWithCounts(0, 0xF4240)},
      {"length unreadable: negative used count", RowWithCounts(-19531250, 19531250)},
      {"negative free count", RowWithCounts(0x2DC6C0, -1)},
      {"most negative count", RowWithCounts(INT64_MIN, 0xF4240)},
      {"most negative free count", RowWithCounts(0x2DC6C0, INT64_MIN)},
      {"both counts negative", RowWithCounts(-1, -1)},
  };
  DriveDetailsWindow form;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Shown shown = Open(form, c.row);
    ExpectUnknown(shown);
    // The fields still show what the row holds.
    EXPECT_EQ(shown.edits[0], QString::fromStdString(c.row.RootPath));
    EXPECT_EQ(shown.edits[7], QString::fromStdString(ExactSizeText(c.row)));
  }
}

TEST(DriveInfoOpening, EmptyOpticalDriveShowsItsZeroTexts) {
  DriveDetailsWindow form;
  const Shown shown = Open(form, EmptyOpticalRow());
  const std::vector<QString> expected = {QStringLiteral("F:\\"),
                                         "",
                                         QStringLiteral("CD-диск"),
                                         QStringLiteral("0 б"),
                                         QStringLiteral("0 б"),
                                         "",
                                         "",
                                         QStringLiteral("0")};
  EXPECT_EQ(shown.edits, expected);
}

TEST(DriveInfoOpening, CountsOf2To32SectorsAndMoreShowTheirPie) {
  struct Case {
    std::int64_t used, free;
    double usedValue, freeValue;
  };
  const std::vector<Case> cases = {
      {0xFFFFFFFF, 0x80000000, 4294967295.0, 2147483648.0},     // just below 2^32
      {0x100000000, 0x80000000, 4294967296.0, 2147483648.0},    // 2^32 used (2 TiB)
      {0x80000000, 0x100000000, 2147483648.0, 4294967296.0},    // 2^32 free
      {0x300000001, 0x200000000, 12884901889.0, 8589934592.0},  // 6 TiB used, 4 TiB free
      {0x10000000000, 0x8000000000, 1099511627776.0, 549755813888.0},
      {0x7FFFFFFFFFFFFFFF, 0x4000000000000000, 9223372036854775807.0, 4611686018427387904.0},
  };
  DriveDetailsWindow form;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.used) + " " + std::to_string(c.free));
    ExpectPie(Open(form, RowWithCounts(c.used, c.free)), c.usedValue, c.freeValue);
  }
}

TEST(DriveInfoOpening, ReopeningShowsNothingOfThePreviousDrive) {
  DriveDetailsWindow form;
  const Shown first = Open(form, NormalRow());
  ExpectPie(first, 3000000.0, 1000000.0);

  const Shown second = Open(form, EmptyOpticalRow());
  ExpectUnknown(second);
  EXPECT_EQ(second.edits[1], QString());  // no label left over
  EXPECT_EQ(second.edits[5], QString());
  EXPECT_EQ(second.edits[6], QString());
  EXPECT_EQ(second.edits[7], QStringLiteral("0"));

  // Back to a drive with a pie: the cover goes, and only its two slices show.
  DriveRecord other = RowWithCounts(0x400, 0xC00);
  other.RootPath = "G:\\";
  other.VolumeLabel = "BACKUP";
  const Shown third = Open(form, other);
  ExpectPie(third, 1024.0, 3072.0);
  EXPECT_EQ(third.edits[0], QStringLiteral("G:\\"));
  EXPECT_EQ(third.edits[1], QStringLiteral("BACKUP"));

  // A second opening for the same drive adds no slices to the first ones.
  ExpectPie(Open(form, other), 1024.0, 3072.0);
}

// Whether arc points k − 1 and k (counted from 1) lie in one rim band of the slice.
bool InRimBand(const chart::SlicePolygons& slice, int k) {
  for (const std::vector<chart::TPoint>& band : slice.RimBands) {
    const int length = static_cast<int>(band.size()) / 2;  // Bp … Bq, then Fq … Fp
    for (int p = 1; p + length - 1 <= slice.PointCount; ++p) {
      if (std::equal(band.begin(), band.begin() + length, slice.Back.begin() + (p - 1)))
        if (p <= k - 1 && k <= p + length - 1) return true;
    }
  }
  return false;
}

// The used slice swept over the whole circle, in tenths of a degree where a
// slice's arc ends near the right end of the ellipse (a volume about 95 % used
// or free, and a second slice that just reaches the lower half): wherever the
// projected arc moves right, it faces the viewer and must hang its rim.
TEST(DriveInfoOpening, EverySliceFacingTheViewerHasItsRim) {
  std::vector<int> tenths;
  for (int t = 10; t < 3600; t += 10) tenths.push_back(t);
  for (int t = 3341; t < 3470; ++t)
    if (t % 10 != 0) tenths.push_back(t);
  DriveDetailsWindow form;
  int risingPairs = 0;
  for (int t : tenths) {
    OpenAndRun(form, RowWithCounts(t * 100, (3600 - t) * 100), [&](DriveDetailsWindow& f) {
      const chart::ChartLayout layout = PieChartOf(f)->ComputeLayout();
      ASSERT_TRUE(layout.PieDrawn);
      ASSERT_EQ(layout.Slices.size(), 2u);
      for (std::size_t i = 0; i < 2; ++i) {
        const chart::SlicePolygons& slice = layout.Slices[i];
        for (int k = 2; k <= slice.PointCount; ++k) {
          if (slice.Back[k - 1].X <= slice.Back[k - 2].X) continue;
          ++risingPairs;
          EXPECT_TRUE(InRimBand(slice, k)) << "used " << t / 10 << "." << t % 10 << "°: slice " << i
                                           << ", no rim at arc point " << k << " of " << slice.PointCount;
        }
      }
    });
  }
  EXPECT_GT(risingPairs, 1000);
}

TEST(DriveInfoOpening, LongFieldTextsShowFromTheirBeginning) {
  DriveDetailsWindow form;
  DriveRecord row = NormalRow();
  row.VolumeLabel = "A VERY LONG VOLUME LABEL THAT DOES NOT FIT";
  int cursor = -1;
  OpenAndRun(form, row, [&cursor](DriveDetailsWindow& f) { cursor = Field(f, 2)->cursorPosition(); });
  EXPECT_EQ(cursor, 0);
}

}  // namespace
}  // namespace vorkan::test
