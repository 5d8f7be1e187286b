// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the progress gauge: arithmetic, setters, and the pixels it paints.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <set>

#include "ColorValue.h"
#include "EInvalidOperation.h"
#include "ProgressGauge.h"

using namespace vorkan;

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }
QRgb Inverse(QRgb c) { return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)); }
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// Distinct, known system colours for every test; each test that changes the
// palette restores this one.
QPalette TestPalette() {
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Button, QColor(0xEC, 0xE9, 0xD8));
  palette.setColor(QPalette::Highlight, QColor(0x31, 0x6A, 0xC5));
  palette.setColor(QPalette::WindowText, QColor(0x10, 0x20, 0x30));
  palette.setColor(QPalette::Shadow, QColor(0x05, 0x06, 0x07));
  palette.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
  palette.setCurrentColorGroup(QPalette::Active);
  return palette;
}

QFont KnownFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  font.setBold(true);
  return font;
}

// The progress window's gauge, with a known font.
void MakeWindowGauge(ProgressGauge& gauge) {
  ConfigureProgressGauge(gauge);
  gauge.setFont(KnownFont());
}

// Columns of row y, from the left, that show the filled colour (either the
// colour itself or its inverse under a letter).
int FilledColumns(const QImage& image, QRgb fore, QRgb back) {
  int filled = 0;
  for (int x = 0; x < image.width(); ++x) {
    bool columnFilled = true;
    for (int y = 0; y < image.height(); ++y) {
      const QRgb c = At(image, x, y);
      if (c == fore || c == Inverse(fore)) continue;
      EXPECT_TRUE(c == back || c == Inverse(back)) << "pixel " << x << "," << y << " is " << std::hex << c;
      columnFilled = false;
    }
    if (columnFilled) {
      EXPECT_EQ(filled, x) << "filled columns are not contiguous from the left";
      ++filled;
    }
  }
  return filled;
}

// Where white letters of text land when drawn with the gauge's rules into an
// image of the given size with paint rectangle (left, top, right, bottom).
QImage ExpectedLetters(QSize size, const QFont& gaugeFont, const QString& text, int left, int top, int right,
                       int bottom) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  QFont font = gaugeFont;
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QFontMetrics metrics = painter.fontMetrics();
  const int x = (right - left + 1 - metrics.horizontalAdvance(text)) / 2;
  const int y = (bottom - top + 1 - metrics.height()) / 2;
  painter.setClipRect(QRect(left, top, right - left, bottom - top));
  painter.drawText(QPoint(x, y + metrics.ascent()), text);
  return image;
}

// Checks that the letter pixels of image (those in one of the two inverse
// colours) are exactly the white pixels of letters, and returns their count.
int CheckLetters(const QImage& image, const QImage& letters, QRgb fore, QRgb back) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = At(image, x, y);
      const bool isLetter = c == Inverse(fore) || c == Inverse(back);
      const bool wanted = At(letters, x, y) == Rgb(255, 255, 255);
      EXPECT_EQ(isLetter, wanted) << "at " << x << "," << y;
      if (isLetter) ++count;
    }
  return count;
}

class GaugeTest : public ::testing::Test {
 protected:
  void SetUp() override { QApplication::setPalette(TestPalette()); }
  void TearDown() override { QApplication::setPalette(TestPalette()); }
  const QRgb fore_ = Rgb(0x31, 0x6A, 0xC5);  // Highlight
  const QRgb back_ = Rgb(0xEC, 0xE9, 0xD8);  // Button
};

}  // namespace

// ---------------------------------------------------------------- arithmetic

TEST(PercentOfRange, ZeroRangeGivesZero) {
  EXPECT_EQ(PercentOfRange(0, 0), 0);
  EXPECT_EQ(PercentOfRange(12345, 0), 0);
  EXPECT_EQ(PercentOfRange(kInt32Min, 0), 0);
}

TEST(PercentOfRange, ExactForExtreme32BitValues) {
  EXPECT_EQ(PercentOfRange(kInt32Max, kInt32Max), 100);
  EXPECT_EQ(PercentOfRange(kInt32Max - 1, kInt32Max), 99);
  EXPECT_EQ(PercentOfRange(1, kInt32Max), 0);
  EXPECT_EQ(PercentOfRange(kInt32Max, 1), 214748364700);
  EXPECT_EQ(PercentOfRange(kInt32Min, -1), 214748364800);
  EXPECT_EQ(PercentOfRange(kInt32Min, kInt32Min), 100);
  EXPECT_EQ(PercentOfRange(kInt32Min, kInt32Max), -100);
  EXPECT_EQ(PercentOfRange(-1, kInt32Max), 0);  // truncated toward zero
  EXPECT_EQ(PercentOfRange(-21474836, kInt32Max), 0);
  EXPECT_EQ(PercentOfRange(-21474837, kInt32Max), -1);
  EXPECT_EQ(PercentOfRange(-21474837, 2147483600), -1);
  // Differences of two 32-bit values (33 bits).
  EXPECT_EQ(PercentOfRange(4294967294, 4294967295), 99);
  EXPECT_EQ(PercentOfRange(4294967295, 4294967295), 100);
  EXPECT_EQ(PercentOfRange(2147483648, 4294967295), 50);
}

TEST(PercentOfRange, MatchesIntegerQuotientNearEveryWholePercent) {
  // Where x * 100 / z lies just below or at a whole number, rounding would
  // show; compare with exact integer arithmetic.
  const std::int64_t ranges[] = {
      kInt32Max, 4294967295, 4294967294, 1000003, 359, 7, -kInt32Max - std::int64_t(1), -4294967295};
  for (std::int64_t z : ranges)
    for (std::int64_t k = -100; k <= 100; ++k) {
      const std::int64_t base = k * z / 100;
      for (std::int64_t x = base - 2; x <= base + 2; ++x)
        ASSERT_EQ(PercentOfRange(x, z), x * 100 / z) << x << " of " << z;
    }
  std::mt19937_64 random(20240601);
  std::uniform_int_distribution<std::int64_t> any(-4294967295, 4294967295);
  for (int i = 0; i < 200000; ++i) {
    const std::int64_t x = any(random);
    std::int64_t z = any(random);
    if (z == 0) z = 1;
    ASSERT_EQ(PercentOfRange(x, z), x * 100 / z) << x << " of " << z;
  }
}

TEST(ScaleByPercent, ExtendedHundredthMakesKnownCasesOneLess) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "needs 80-bit long double";
  EXPECT_EQ(ScaleByPercent(5, 20), 0);
  EXPECT_EQ(ScaleByPercent(10, 10), 0);
  EXPECT_EQ(ScaleByPercent(1, 359), 3);
  EXPECT_EQ(ScaleByPercent(50, 359), 179);
  EXPECT_EQ(ScaleByPercent(99, 359), 355);
  EXPECT_EQ(ScaleByPercent(100, 359), 359);
  EXPECT_EQ(ScaleByPercent(0, 359), 0);
}

TEST(ScaleByPercent, NeverOffAt100NorForSizesPrimeTo100AndAtMostOneElsewhere) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "needs 80-bit long double";
  int offByOne = 0;
  for (std::int64_t size = 0; size <= 2000; ++size)
    for (std::int64_t p = 0; p <= 100; ++p) {
      const std::int64_t exact = size * p / 100;
      const std::int64_t got = ScaleByPercent(p, size);
      if (p == 100 || (size % 2 != 0 && size % 5 != 0) || size * p % 100 != 0) {
        ASSERT_EQ(got, exact) << p << "% of " << size;
      } else {
        ASSERT_TRUE(got == exact || got == exact - 1) << p << "% of " << size;
        if (got != exact) ++offByOne;
      }
    }
  EXPECT_GT(offByOne, 0);
  for (std::int64_t p = 0; p <= 100; ++p) EXPECT_EQ(ScaleByPercent(p, 359), 359 * p / 100) << p;
}

// ------------------------------------------------------------------ colours

TEST_F(GaugeTest, ColourValuesResolveThroughTheApplicationPalette) {
  EXPECT_EQ(ResolveColor(0x00336699).rgb(), Rgb(0x99, 0x66, 0x33));
  EXPECT_EQ(ResolveColor(clBlack).rgb(), Rgb(0, 0, 0));
  EXPECT_EQ(ResolveColor(clWhite).rgb(), Rgb(255, 255, 255));
  EXPECT_EQ(ResolveColor(clBtnFace).rgb(), back_);
  EXPECT_EQ(ResolveColor(clMenuHighlight).rgb(), fore_);
  EXPECT_EQ(ResolveColor(clWindowText).rgb(), Rgb(0x10, 0x20, 0x30));
  EXPECT_EQ(ResolveColor(clWindowFrame).rgb(), Rgb(0x05, 0x06, 0x07));
  EXPECT_EQ(ResolveColor(0xFF0000FF).rgb(), Rgb(0, 0, 0));  // no such index
  EXPECT_EQ(RgbColor(0x12, 0x34, 0x56), 0x00563412u);
  EXPECT_TRUE(IsSystemColor(clBtnFace));
  EXPECT_FALSE(IsSystemColor(0x00FFFFFF));

  QPalette palette = TestPalette();
  palette.setColor(QPalette::Button, QColor(1, 2, 3));
  QApplication::setPalette(palette);
  EXPECT_EQ(ResolveColor(clBtnFace).rgb(), Rgb(1, 2, 3));
}

TEST_F(GaugeTest, MakeLikeTakesTheTemplateSizeAndTheWindowFrameColour) {
  QImage templ(7, 5, QImage::Format_RGB32);
  templ.fill(Qt::red);
  TBltBitmap bitmap;
  bitmap.MakeLike(templ);
  ASSERT_EQ(bitmap.size(), QSize(7, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(At(bitmap, x, y), Rgb(0x05, 0x06, 0x07)) << x << "," << y;
  bitmap.MakeLike(QImage(3, 2, QImage::Format_RGB32));
  EXPECT_EQ(bitmap.size(), QSize(3, 2));
}

// ------------------------------------------------------- properties, setters

TEST_F(GaugeTest, ConstructionDefaults) {
  ProgressGauge gauge;
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
  EXPECT_TRUE(gauge.ShowText());
  EXPECT_EQ(gauge.BorderStyle(), bsSingle);
  EXPECT_EQ(gauge.ForeColor(), 0x00000000u);
  EXPECT_EQ(gauge.BackColor(), 0x00FFFFFFu);
  EXPECT_EQ(gauge.size(), QSize(100, 100));
  EXPECT_TRUE(gauge.testAttribute(Qt::WA_OpaquePaintEvent));
  EXPECT_TRUE(gauge.ParentColor());
  EXPECT_EQ(gauge.PercentComplete(), 0);
  EXPECT_FALSE(gauge.Loading());
  EXPECT_EQ(int(gkText), 0);
  EXPECT_EQ(int(gkNeedle), 4);
}

TEST_F(GaugeTest, ProgressWindowConfiguration) {
  ProgressGauge gauge;
  ConfigureProgressGauge(gauge);
  EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
  EXPECT_TRUE(gauge.ShowText());
  EXPECT_EQ(gauge.BorderStyle(), bsNone);
  EXPECT_EQ(gauge.ForeColor(), clMenuHighlight);
  EXPECT_EQ(gauge.BackColor(), clBtnFace);
  EXPECT_EQ(gauge.font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(gauge.font().pixelSize(), 11);
  EXPECT_TRUE(gauge.font().bold());
  EXPECT_EQ(gauge.size(), QSize(358, 18));
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.PercentComplete(), 100);
  // Whatever face fontconfig substitutes, the full bar shows.
  EXPECT_EQ(FilledColumns(gauge.RenderImage(), fore_, back_), 358);

  // A gauge whose range lay elsewhere takes the configuration all the same.
  ProgressGauge moved;
  moved.SetMinValue(-500);
  moved.SetMaxValue(-200);
  EXPECT_NO_THROW(ConfigureProgressGauge(moved));
  EXPECT_EQ(moved.MinValue(), 0);
  EXPECT_EQ(moved.MaxValue(), 100);
  EXPECT_EQ(moved.Progress(), 100);
  EXPECT_FALSE(moved.Loading());
}

TEST_F(GaugeTest, ProgressIsClampedIntoTheRange) {
  ProgressGauge gauge;
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.PercentComplete(), 100);
  gauge.SetProgress(-5);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.PercentComplete(), 0);
  gauge.SetMaxValue(1000);
  gauge.SetMinValue(500);
  EXPECT_EQ(gauge.Progress(), 500);  // pulled up to the new minimum
  gauge.SetProgress(kInt32Max);
  EXPECT_EQ(gauge.Progress(), 1000);
  gauge.SetProgress(kInt32Min);
  EXPECT_EQ(gauge.Progress(), 500);
  gauge.SetProgress(999);
  EXPECT_EQ(gauge.PercentComplete(), 99);  // truncated
}

TEST_F(GaugeTest, LoweringMaxValueBelowProgressPullsProgressDownAndRepaints) {
  ProgressGauge gauge;
  gauge.SetProgress(80);
  const int before = gauge.RepaintCount();
  gauge.SetMaxValue(50);
  EXPECT_EQ(gauge.Progress(), 50);
  EXPECT_EQ(gauge.PercentComplete(), 100);
  EXPECT_EQ(gauge.RepaintCount(), before + 1);
  gauge.SetMaxValue(60);  // Progress stays
  EXPECT_EQ(gauge.Progress(), 50);
  EXPECT_EQ(gauge.PercentComplete(), 83);
}

TEST_F(GaugeTest, InvertedRangeFailsWithItsMessageAndChangesNothing) {
  ProgressGauge gauge;
  gauge.SetProgress(40);
  // The fault is an EInvalidOperation, a std::logic_error.
  auto expectRefused = [&gauge](void (ProgressGauge::*set)(std::int32_t), std::int32_t value,
                                const char* message) {
    try {
      (gauge.*set)(value);
      ADD_FAILURE() << "no error for " << value;
    } catch (const std::logic_error& e) {
      EXPECT_NE(dynamic_cast<const EInvalidOperation*>(&e), nullptr) << value;
      EXPECT_STREQ(e.what(), message);
    }
  };
  expectRefused(&ProgressGauge::SetMinValue, 101, "Value must be between -2147483647 and 99");
  expectRefused(&ProgressGauge::SetMaxValue, -1, "Value must be between 1 and 2147483647");
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 40);

  gauge.SetMaxValue(5000);
  gauge.SetMinValue(-300);
  expectRefused(&ProgressGauge::SetMinValue, 5001, "Value must be between -2147483647 and 4999");
  expectRefused(&ProgressGauge::SetMaxValue, -301, "Value must be between -299 and 2147483647");
  EXPECT_EQ(gauge.MinValue(), -300);
  EXPECT_EQ(gauge.MaxValue(), 5000);

  // An empty range is allowed from either side.
  EXPECT_NO_THROW(gauge.SetMinValue(5000));
  EXPECT_NO_THROW(gauge.SetMaxValue(5000));
  EXPECT_NO_THROW(gauge.SetMinValue(-7));
  EXPECT_NO_THROW(gauge.SetMaxValue(-7));
}

TEST_F(GaugeTest, LoadingAcceptsAnInvertedRange) {
  ProgressGauge gauge;
  gauge.BeginLoading();
  EXPECT_TRUE(gauge.Loading());
  EXPECT_NO_THROW(gauge.SetMinValue(200));
  EXPECT_EQ(gauge.MinValue(), 200);
  EXPECT_EQ(gauge.Progress(), 200);
  EXPECT_NO_THROW(gauge.SetMaxValue(-50));
  EXPECT_EQ(gauge.MaxValue(), -50);
  EXPECT_NO_THROW(gauge.SetMinValue(0));
  EXPECT_NO_THROW(gauge.SetMaxValue(100));
  gauge.SetProgress(100);
  gauge.EndLoading();
  EXPECT_FALSE(gauge.Loading());
  EXPECT_THROW(gauge.SetMinValue(200), EInvalidOperation);
  EXPECT_EQ(gauge.Progress(), 100);
}

TEST_F(GaugeTest, EmptyRangeShowsZeroPercent) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  gauge.SetMaxValue(0);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.PercentComplete(), 0);
  gauge.SetProgress(77);
  EXPECT_EQ(gauge.Progress(), 0);
  gauge.SetMaxValue(500);
  gauge.SetMinValue(500);
  gauge.SetProgress(9999);
  EXPECT_EQ(gauge.Progress(), 500);
  EXPECT_EQ(gauge.PercentComplete(), 0);
  const QImage image = gauge.RenderImage();
  EXPECT_EQ(FilledColumns(image, fore_, back_), 0);
  const QImage letters = ExpectedLetters(image.size(), KnownFont(), "0%", 0, 0, 358, 18);
  EXPECT_GT(CheckLetters(image, letters, fore_, back_), 10);
}

TEST_F(GaugeTest, WideRangesDoNotWrapRound) {
  ProgressGauge gauge;
  gauge.SetMaxValue(2000000000);
  gauge.SetMinValue(-2000000000);
  gauge.SetProgress(0);
  EXPECT_EQ(gauge.PercentComplete(), 50);
  gauge.SetProgress(1999999999);
  EXPECT_EQ(gauge.PercentComplete(), 99);
  gauge.SetMaxValue(kInt32Max);
  gauge.SetMinValue(kInt32Min);
  gauge.SetProgress(kInt32Max);
  EXPECT_EQ(gauge.PercentComplete(), 100);
  gauge.SetProgress(kInt32Max - 1);
  EXPECT_EQ(gauge.PercentComplete(), 99);
  gauge.SetProgress(-1);
  EXPECT_EQ(gauge.PercentComplete(), 49);
}

// -------------------------------------------------------------- repainting

TEST_F(GaugeTest, SettersRepaintAtOnceOnlyWhenTheFigureChanges) {
  QWidget panel;
  panel.resize(361, 21);
  ProgressGauge gauge(&panel);
  MakeWindowGauge(gauge);
  gauge.move(1, 1);
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  QApplication::processEvents();

  gauge.SetMaxValue(100000);
  int paints = gauge.PaintCount();
  int repaints = gauge.RepaintCount();
  auto expectPaints = [&](int more, const char* step) {
    EXPECT_EQ(gauge.RepaintCount(), repaints + more) << step;
    EXPECT_EQ(gauge.PaintCount(), paints + more) << step;  // painted within the call
    repaints = gauge.RepaintCount();
    paints = gauge.PaintCount();
  };

  gauge.SetProgress(1000);  // 100 % -> 1 %
  expectPaints(1, "1000");
  gauge.SetProgress(1005);
  EXPECT_EQ(gauge.Progress(), 1005);
  expectPaints(0, "1005, same percent");
  gauge.SetProgress(1999);
  expectPaints(0, "1999, same percent");
  gauge.SetProgress(2000);
  expectPaints(1, "2000, next percent");
  gauge.SetProgress(2000);
  expectPaints(0, "same value");
  gauge.SetProgress(200000);  // clamped to 100000
  expectPaints(1, "clamped to the maximum");
  gauge.SetProgress(100001);  // clamps to the stored value
  expectPaints(0, "clamped to the stored value");

  gauge.SetMaxValue(100000);
  expectPaints(0, "same maximum");
  gauge.SetMaxValue(200000);  // always repaints after a change
  expectPaints(1, "new maximum");
  gauge.SetMinValue(0);
  expectPaints(0, "same minimum");
  gauge.SetMinValue(1);
  expectPaints(1, "new minimum");

  gauge.SetKind(gkHorizontalBar);
  gauge.SetShowText(true);
  gauge.SetBorderStyle(bsNone);
  gauge.SetForeColor(clMenuHighlight);
  gauge.SetBackColor(clBtnFace);
  expectPaints(0, "same appearance");
  gauge.SetKind(gkVerticalBar);
  expectPaints(1, "kind");
  gauge.SetShowText(false);
  expectPaints(1, "show text");
  gauge.SetBorderStyle(bsSingle);
  expectPaints(1, "border");
  gauge.SetForeColor(0x000000FF);
  expectPaints(1, "fore colour");
  gauge.SetBackColor(0x0000FF00);
  expectPaints(1, "back colour");

  // A failed setter changes nothing and paints nothing.
  EXPECT_THROW(gauge.SetMinValue(300000), EInvalidOperation);
  expectPaints(0, "failed minimum");

  // The picture on screen is the composed one.
  QImage onScreen = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(onScreen, gauge.RenderImage());
}

TEST_F(GaugeTest, HiddenGaugeCountsRepaintsButDoesNotPaint) {
  ProgressGauge gauge;
  gauge.SetProgress(50);
  gauge.SetProgress(51);
  EXPECT_EQ(gauge.RepaintCount(), 2);
  EXPECT_EQ(gauge.PaintCount(), 0);
}

// ------------------------------------------------------------------ pixels

TEST_F(GaugeTest, WindowGaugeFillsColumnsByWholePercent) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  struct Case {
    std::int32_t max, progress;
    int percent, columns;
  };
  const Case cases[] = {{100, 0, 0, 0},       {100, 1, 1, 3},         {100, 50, 50, 179},
                        {100, 99, 99, 355},   {10000, 9999, 99, 355}, {100, 100, 100, 358},
                        {100000, 1999, 1, 3}, {359, 358, 99, 355}};
  for (const Case& c : cases) {
    gauge.SetMaxValue(c.max);
    gauge.SetProgress(c.progress);
    ASSERT_EQ(gauge.PercentComplete(), c.percent) << c.progress << " of " << c.max;
    const QImage image = gauge.RenderImage();
    ASSERT_EQ(image.size(), QSize(358, 18));
    EXPECT_EQ(FilledColumns(image, fore_, back_), c.columns) << c.progress << " of " << c.max;
  }
}

TEST_F(GaugeTest, LettersAreTheInverseOfWhatLiesUnderThem) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  struct Case {
    std::int32_t progress;
    const char* text;
    int filledColumns;
  };
  for (const Case& c : {Case{0, "0%", 0}, Case{50, "50%", 179}, Case{100, "100%", 358}}) {
    gauge.SetProgress(c.progress);
    const QImage image = gauge.RenderImage();
    const QImage letters = ExpectedLetters(image.size(), KnownFont(), c.text, 0, 0, 358, 18);
    EXPECT_GT(CheckLetters(image, letters, fore_, back_), 10) << c.text;
    int overFilled = 0, overEmpty = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb px = At(image, x, y);
        if (x < c.filledColumns) {
          ASSERT_TRUE(px == fore_ || px == Inverse(fore_)) << c.text << " " << x << "," << y;
          overFilled += px == Inverse(fore_);
        } else {
          ASSERT_TRUE(px == back_ || px == Inverse(back_)) << c.text << " " << x << "," << y;
          overEmpty += px == Inverse(back_);
        }
      }
    if (c.progress == 0)
      EXPECT_TRUE(overEmpty > 0 && overFilled == 0);
    else if (c.progress == 100)
      EXPECT_TRUE(overFilled > 0 && overEmpty == 0);
    else
      EXPECT_TRUE(overFilled > 0 && overEmpty > 0) << "the bar edge crosses the text";
  }
}

TEST_F(GaugeTest, SystemColoursAreResolvedAtPaintTime) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  gauge.SetProgress(50);
  EXPECT_EQ(At(gauge.RenderImage(), 0, 0), fore_);
  EXPECT_EQ(At(gauge.RenderImage(), 357, 0), back_);
  QPalette palette = TestPalette();
  palette.setColor(QPalette::Highlight, QColor(0x80, 0x00, 0x40));
  palette.setColor(QPalette::Button, QColor(0x11, 0x99, 0x22));
  QApplication::setPalette(palette);
  const QImage image = gauge.RenderImage();
  EXPECT_EQ(At(image, 0, 0), Rgb(0x80, 0x00, 0x40));
  EXPECT_EQ(At(image, 357, 0), Rgb(0x11, 0x99, 0x22));
  EXPECT_EQ(FilledColumns(image, Rgb(0x80, 0x00, 0x40), Rgb(0x11, 0x99, 0x22)), 179);
}

// The menu highlight and the button face are one colour each on the desktop,
// whatever state the window showing the gauge is in: the palette's Active
// group, never its Inactive or Disabled one.
TEST_F(GaugeTest, SystemColoursComeFromTheActiveGroupWhereverTheGaugeIsDrawn) {
  QPalette palette = TestPalette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x11, 0x22, 0x33));
  palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x44, 0x55, 0x66));
  palette.setColor(QPalette::Inactive, QPalette::Button, QColor(0x77, 0x88, 0x99));
  palette.setColor(QPalette::Disabled, QPalette::Button, QColor(0xAA, 0xBB, 0xCC));
  palette.setCurrentColorGroup(QPalette::Inactive);  // what color(role) alone would read
  QApplication::setPalette(palette);

  QWidget window, other;
  ProgressGauge gauge(&window);
  MakeWindowGauge(gauge);
  gauge.SetProgress(50);
  window.resize(400, 40);
  other.resize(100, 40);
  auto activate = [](QWidget& w) {
    w.show();
    w.activateWindow();
    QApplication::processEvents();
  };
  struct Case {
    const char* where;
    std::function<void()> arrange;
    QPalette::ColorGroup group;
  };
  const Case cases[] = {
      {"an active window", [&] { activate(window); }, QPalette::Active},
      {"an inactive window", [&] { activate(other); }, QPalette::Inactive},
      {"a disabled gauge", [&] { gauge.setEnabled(false); }, QPalette::Disabled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    c.arrange();
    // The group the gauge's own palette would draw with now.
    ASSERT_EQ(gauge.palette().currentColorGroup(), c.group);
    const QImage image = gauge.grab().toImage();
    EXPECT_EQ(At(image, 0, 0), fore_);
    EXPECT_EQ(At(image, 357, 0), back_);
    EXPECT_EQ(FilledColumns(image, fore_, back_), 179);
  }
}

TEST_F(GaugeTest, SingleBorderKeepsABlackFrameAndCentresTextInside) {
  ProgressGauge gauge;  // bsSingle, black on white by default
  gauge.setFont(KnownFont());
  gauge.resize(100, 40);
  gauge.SetForeColor(0x000000FF);  // red
  gauge.SetBackColor(0x0000FF00);  // green
  const QRgb red = Rgb(255, 0, 0), green = Rgb(0, 255, 0);
  for (std::int32_t progress : {0, 50, 100}) {
    gauge.SetProgress(progress);
    const QImage image = gauge.RenderImage();
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(At(image, x, 0), Rgb(0, 0, 0)) << progress << ": top " << x;
      ASSERT_EQ(At(image, x, 39), Rgb(0, 0, 0)) << progress << ": bottom " << x;
    }
    for (int y = 0; y < 40; ++y) {
      ASSERT_EQ(At(image, 0, y), Rgb(0, 0, 0)) << progress << ": left " << y;
      ASSERT_EQ(At(image, 99, y), Rgb(0, 0, 0)) << progress << ": right " << y;
    }
    // Inside: W = 99 and F is the right edge, so 50 % (F = 49) fills
    // columns 1 to 48 and 100 % (F = 99) all 98.
    const int edge = progress == 0 ? 0 : progress == 50 ? 49 : 99;
    for (int x = 1; x < 99; ++x) {
      ASSERT_EQ(At(image, x, 1), x < edge ? red : green) << progress << ": " << x;
      ASSERT_EQ(At(image, x, 38), x < edge ? red : green) << progress << ": " << x;
    }
    const QString text = QString::number(progress) + "%";
    const QImage letters = ExpectedLetters(image.size(), KnownFont(), text, 1, 1, 99, 39);
    EXPECT_GT(CheckLetters(image, letters, red, green), 10) << progress;
    // The ink sits in the middle of the inner rectangle, give or take the
    // letters' side bearings.
    int left = 100, right = -1, top = 40, bottom = -1;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 100; ++x) {
        const QRgb px = At(image, x, y);
        if (px == Inverse(red) || px == Inverse(green)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    EXPECT_LE(std::abs((left - 1) - (98 - right)), 3) << progress;
    EXPECT_LE(std::abs((top - 1) - (38 - bottom)), 5) << progress;
  }
}

TEST_F(GaugeTest, TextCanBeSwitchedOff) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  gauge.SetShowText(false);
  gauge.SetProgress(50);
  const QImage image = gauge.RenderImage();
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 358; ++x) ASSERT_EQ(At(image, x, y), x < 179 ? fore_ : back_) << x << "," << y;
}

TEST_F(GaugeTest, OtherKinds) {
  ProgressGauge gauge;
  gauge.SetShowText(false);
  gauge.SetForeColor(0x000000FF);
  gauge.SetBackColor(0x0000FF00);
  gauge.SetColor(0x00FF0000);
  const QRgb red = Rgb(255, 0, 0), green = Rgb(0, 255, 0), blue = Rgb(0, 0, 255);

  // Text only: the background and no figure.
  gauge.SetKind(gkText);
  gauge.SetProgress(70);
  QImage image = gauge.RenderImage();
  EXPECT_EQ(At(image, 0, 0), Rgb(0, 0, 0));
  for (int y = 1; y < 99; ++y)
    for (int x = 1; x < 99; ++x) ASSERT_EQ(At(image, x, y), green);

  // Vertical bar, framed 20 x 102: inner rows 1..100, H = 101.
  gauge.SetKind(gkVerticalBar);
  gauge.resize(20, 102);
  gauge.SetProgress(50);
  image = gauge.RenderImage();
  for (int y = 1; y <= 100; ++y) ASSERT_EQ(At(image, 10, y), y >= 51 ? red : green) << y;
  gauge.SetProgress(100);
  image = gauge.RenderImage();
  for (int y = 1; y <= 100; ++y) ASSERT_EQ(At(image, 10, y), red) << y;
  EXPECT_EQ(At(image, 10, 0), Rgb(0, 0, 0));
  EXPECT_EQ(At(image, 10, 101), Rgb(0, 0, 0));
  // Without a border it fills every row at 100 % and one row at 1 %.
  gauge.SetBorderStyle(bsNone);
  gauge.resize(20, 100);
  image = gauge.RenderImage();
  for (int y = 0; y < 100; ++y) ASSERT_EQ(At(image, 10, y), red) << y;
  gauge.SetProgress(1);
  image = gauge.RenderImage();
  for (int y = 0; y < 100; ++y) ASSERT_EQ(At(image, 10, y), y == 99 ? red : green) << y;
  gauge.SetBorderStyle(bsSingle);

  // Pie, 100 x 100: a quarter from the top centre, clockwise.
  gauge.SetKind(gkPie);
  gauge.resize(100, 100);
  gauge.SetProgress(25);
  image = gauge.RenderImage();
  EXPECT_EQ(At(image, 3, 3), blue);     // outside the ellipse
  EXPECT_EQ(At(image, 70, 30), red);    // upper right quarter
  EXPECT_EQ(At(image, 30, 30), green);  // upper left
  EXPECT_EQ(At(image, 70, 70), green);  // lower right
  gauge.SetProgress(0);
  image = gauge.RenderImage();
  EXPECT_EQ(At(image, 70, 30), green);
  gauge.SetProgress(75);
  image = gauge.RenderImage();
  EXPECT_EQ(At(image, 30, 70), red);
  EXPECT_EQ(At(image, 30, 30), green);

  // Needle: upper half ellipse, needle from the middle of the base line.
  gauge.SetKind(gkNeedle);
  gauge.SetProgress(50);
  image = gauge.RenderImage();
  EXPECT_EQ(At(image, 3, 3), blue);
  int upright = 0;
  for (int y = 20; y < 90; ++y) upright += At(image, 49, y) == red || At(image, 50, y) == red;
  EXPECT_GE(upright, 65) << "needle straight up at 50 %";
  EXPECT_EQ(At(image, 25, 80), green);
  gauge.SetProgress(0);
  image = gauge.RenderImage();
  EXPECT_EQ(At(image, 49, 50), green);
  EXPECT_EQ(At(image, 50, 50), green);
}

TEST_F(GaugeTest, SavesAPictureForLooking) {
  ProgressGauge gauge;
  MakeWindowGauge(gauge);
  gauge.SetMaxValue(1000);
  gauge.SetProgress(404);
  const QImage image = gauge.RenderImage();
  const QString path = QString::fromLocal8Bit(qgetenv("GAUGE_PICTURE"));
  if (!path.isEmpty()) {
    EXPECT_TRUE(image.scaled(image.size() * 4).save(path));
  }
  EXPECT_EQ(FilledColumns(image, fore_, back_), 143);  // 40 % of 359
}
