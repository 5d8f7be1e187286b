// SPDX-License-Identifier: GPL-3.0-or-later
// Plot rectangle, series order, slice angles, pie rectangle, depth, projection
// and the point lists of the slices of the drive window's chart.
#include "ChartColors.h"
#include "MulDiv.h"
#include "PieGeometry.h"
#include "PieChart.h"
#include "PieSeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <exception>
#include <numbers>
#include <string>

namespace vorkan::chart {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kRad = std::numbers::pi / 180.0;

double Degrees(double radians) { return radians / kRad; }

TEST(ChartArithmetic, MulDivRoundsToNearestAwayFromZero) {
  EXPECT_EQ(MulDiv(3, 289, 100), 9);   // 8.67
  EXPECT_EQ(MulDiv(3, 137, 100), 4);   // 4.11
  EXPECT_EQ(MulDiv(4, 129, 100), 5);   // 5.16
  EXPECT_EQ(MulDiv(1, 50, 100), 1);    // 0.5
  EXPECT_EQ(MulDiv(-1, 50, 100), -1);  // -0.5
  EXPECT_EQ(MulDiv(1, 49, 100), 0);
  EXPECT_EQ(MulDiv(7, 3, 0), -1);
  EXPECT_EQ(MulDiv(100000, 100000, 1000), 10000000);  // no 32-bit overflow
}

TEST(ChartArithmetic, RoundHalfEvenTiesGoToEven) {
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(RoundHalfEven(-1.5L), -2);
  EXPECT_EQ(RoundHalfEven(18.97L), 19);
  EXPECT_EQ(RoundHalfEven(-7.07L), -7);
}

TEST(ChartPlotRect, MarginsOfTheDriveWindowChart) {
  const TRect plot = PlotRect(TRect{0, 0, 289, 137}, 3, 3, 3, 3, 0);
  EXPECT_EQ(plot, (TRect{9, 4, 280, 133}));
  EXPECT_EQ(plot.Width(), 271);
  EXPECT_EQ(plot.Height(), 129);
  EXPECT_EQ(RectCentre(plot), (TPoint{144, 68}));
  // Default bottom margin of 4 percent and a border width.
  EXPECT_EQ(PlotRect(TRect{0, 0, 289, 137}, 3, 3, 3, 4, 2), (TRect{11, 6, 278, 130}));
}

TEST(ChartPlotRect, InvertedRectangleIsMadeOnePixelWideOrHigh) {
  // 50 % of 3 is 2 on each side: left 2, right 1.
  const TRect plot = PlotRect(TRect{0, 0, 3, 3}, 50, 50, 50, 50, 0);
  EXPECT_EQ(plot, (TRect{2, 2, 3, 3}));
  EXPECT_EQ(FixInvertedRect(TRect{10, 10, 20, 20}), (TRect{10, 10, 20, 20}));
}

TEST(ChartDepth, SeriesDepthFromPlotWidth) {
  EXPECT_EQ(SeriesDepth(271, 35, false), 19);   // 18.97
  EXPECT_EQ(SeriesDepth(271, 35, true), 9);     // 9.485
  EXPECT_EQ(SeriesDepth(271, 15, false), 8);    // 8.13
  EXPECT_EQ(SeriesDepth(271, 100, false), 54);  // 54.2
  EXPECT_EQ(SeriesDepth(0, 35, false), 0);
}

TEST(ChartDepth, DepthPercentIsCheckedAndStored) {
  PieChart chart;
  EXPECT_EQ(chart.DepthPercent(), 35);
  chart.SetDepthPercent(1);
  EXPECT_EQ(chart.DepthPercent(), 1);
  chart.SetDepthPercent(100);
  EXPECT_EQ(chart.DepthPercent(), 100);
  for (int bad : {0, -5, 101}) {
    try {
      chart.SetDepthPercent(bad);
      ADD_FAILURE() << bad << " was accepted";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "3D effect percent must be between 1 and 100");
    }
    EXPECT_EQ(chart.DepthPercent(), 100);
  }
}

TEST(ChartSeriesSettings, RotationAngleIsCheckedAndStoredModulo360) {
  PieSeries series;
  EXPECT_EQ(series.RotationAngle(), 25);
  series.SetRotationAngle(0);
  EXPECT_EQ(series.RotationAngle(), 0);
  series.SetRotationAngle(359);
  EXPECT_EQ(series.RotationAngle(), 359);
  series.SetRotationAngle(360);
  EXPECT_EQ(series.RotationAngle(), 0);
  series.SetRotationAngle(745);
  EXPECT_EQ(series.RotationAngle(), 25);
  try {
    series.SetRotationAngle(-1);
    ADD_FAILURE() << "-1 was accepted";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Rotation Angle must be between 0 and 359 degrees");
  }
  EXPECT_EQ(series.RotationAngle(), 25);
  // The window's configuration.
  EXPECT_TRUE(series.Circled());
  EXPECT_TRUE(series.Dark3D());
  EXPECT_EQ(series.Order(), loDescending);
  EXPECT_EQ(series.Multiplier(), 1.0);
  EXPECT_EQ(series.SeriesColor(), clRed);
  EXPECT_EQ(series.OtherSliceText(), QStringLiteral("Other"));
}

std::vector<PiePoint> Points(std::initializer_list<std::pair<double, const char*>> values) {
  std::vector<PiePoint> points;
  for (const auto& [value, label] : values) {
    PiePoint p;
    p.X = static_cast<double>(points.size());
    p.Value = value;
    p.Label = QString::fromUtf8(label);
    p.Color = static_cast<TColor>(points.size());
    points.push_back(p);
  }
  return points;
}

std::vector<std::string> Labels(const std::vector<PiePoint>& points) {
  std::vector<std::string> labels;
  for (const PiePoint& p : points) labels.push_back(p.Label.toStdString());
  return labels;
}

TEST(ChartSeriesOrder, DescendingSortKeepsLabelsAndColoursWithValues) {
  auto points = Points({{30, "a"}, {70, "b"}});
  PreparePiePoints(points, loDescending);
  EXPECT_EQ(Labels(points), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(points[0].Value, 70);
  EXPECT_EQ(points[0].Color, 1u);
  EXPECT_EQ(points[0].X, 0);
  EXPECT_EQ(points[1].X, 1);

  auto already = Points({{70, "a"}, {30, "b"}});
  PreparePiePoints(already, loDescending);
  EXPECT_EQ(Labels(already), (std::vector<std::string>{"a", "b"}));

  auto many = Points(
      {{3, "c"}, {9, "i"}, {1, "a"}, {7, "g"}, {5, "e"}, {2, "b"}, {8, "h"}, {4, "d"}, {6, "f"}, {-1, "z"}});
  PreparePiePoints(many, loDescending);
  EXPECT_EQ(Labels(many), (std::vector<std::string>{"i", "h", "g", "f", "e", "d", "c", "b", "a", "z"}));
  PreparePiePoints(many, loAscending);
  EXPECT_EQ(Labels(many), (std::vector<std::string>{"z", "a", "b", "c", "d", "e", "f", "g", "h", "i"}));
  auto unsorted = Points({{3, "c"}, {9, "i"}});
  PreparePiePoints(unsorted, loNone);
  EXPECT_EQ(Labels(unsorted), (std::vector<std::string>{"c", "i"}));
}

TEST(ChartSeriesOrder, RandomSeriesComeOutOrderedAndComplete) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 200; ++round) {
    const int count = 1 + static_cast<int>(next() % 40);
    std::vector<PiePoint> points;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
      PiePoint p;
      p.Value = static_cast<double>(next() % 12);  // many equal values
      p.Color = static_cast<TColor>(i);
      p.Label = QString::number(p.Value);
      sum += p.Value * (i + 1);
      points.push_back(p);
    }
    for (ListOrder order : {loDescending, loAscending}) {
      auto sorted = points;
      PreparePiePoints(sorted, order);
      ASSERT_EQ(sorted.size(), points.size());
      double check = 0;
      for (std::size_t i = 0; i < sorted.size(); ++i) {
        EXPECT_EQ(sorted[i].Label, QString::number(sorted[i].Value));
        EXPECT_EQ(sorted[i].X, static_cast<double>(i));
        check += sorted[i].Value * (sorted[i].Color + 1);
        if (i > 0 && order == loDescending) {
          EXPECT_GE(sorted[i - 1].Value, sorted[i].Value);
        }
        if (i > 0 && order == loAscending) {
          EXPECT_LE(sorted[i - 1].Value, sorted[i].Value);
        }
      }
      EXPECT_EQ(check, sum);  // every point once, its colour still with its value
    }
  }
}

TEST(ChartSeriesOrder, EqualValuesEndInTheOppositeOrderOfAddition) {
  auto two = Points({{5, "first"}, {5, "second"}});
  PreparePiePoints(two, loDescending);
  EXPECT_EQ(Labels(two), (std::vector<std::string>{"second", "first"}));
  EXPECT_EQ(two[0].X, 0);

  // Ascending order swaps equal neighbours just the same.
  auto ascending = Points({{5, "first"}, {5, "second"}});
  PreparePiePoints(ascending, loAscending);
  EXPECT_EQ(Labels(ascending), (std::vector<std::string>{"second", "first"}));

  auto three = Points({{5, "a"}, {5, "b"}, {5, "c"}});
  PreparePiePoints(three, loDescending);
  EXPECT_EQ(Labels(three), (std::vector<std::string>{"b", "a", "c"}));

  // The plain sort on its own result swaps them back.
  PreparePiePoints(two, loDescending);
  EXPECT_EQ(Labels(two), (std::vector<std::string>{"first", "second"}));
}

TEST(ChartSeriesOrder, LeftOverOtherSliceIsDroppedAndXRenumbered) {
  auto points = Points({{9, "a"}, {5, "other"}, {1, "b"}});
  points[1].X = kOtherSliceX;
  PreparePiePoints(points, loDescending);
  EXPECT_EQ(Labels(points), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(points[0].X, 0);
  EXPECT_EQ(points[1].X, 1);
}

TEST(ChartSeriesOrder, SeriesAddClearAndPrepare) {
  PieSeries series;
  int changes = 0;
  series.SetOnChange([&] { ++changes; });
  EXPECT_EQ(series.Add(30, "Свободно:", 2), 0);
  EXPECT_EQ(series.Add(70, "Занято:", 1), 1);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(series.Point(1).X, 1);
  EXPECT_EQ(series.TotalAbs(), 100);
  series.PrepareForDrawing();
  EXPECT_EQ(series.Point(0).Label, QStringLiteral("Занято:"));
  EXPECT_EQ(series.Point(0).Color, 1u);
  series.Clear();
  EXPECT_EQ(series.Count(), 0);
  EXPECT_EQ(series.TotalAbs(), 0);
  EXPECT_EQ(changes, 3);
}

TEST(ChartSliceAngles, SeventyThirtyAfterRotation) {
  const auto angles = SliceAngles({70, 30});
  ASSERT_EQ(angles.size(), 2u);
  EXPECT_EQ(angles[0].Start, 0);
  EXPECT_DOUBLE_EQ(angles[0].End, 0.7 * kTwoPi);
  EXPECT_EQ(angles[1].Start, angles[0].End);
  EXPECT_EQ(angles[1].End, kTwoPi);  // exactly, the sum reached the total
  EXPECT_DOUBLE_EQ(angles[0].Middle, 0.35 * kTwoPi);
  EXPECT_DOUBLE_EQ(angles[1].Middle, 0.85 * kTwoPi);
  const double rotation = 25 * kRad;
  EXPECT_NEAR(Degrees(angles[0].Start + rotation), 25, 1e-9);
  EXPECT_NEAR(Degrees(angles[0].End + rotation), 277, 1e-9);
  EXPECT_NEAR(Degrees(angles[1].End + rotation), 385, 1e-9);
}

TEST(ChartSliceAngles, EqualZeroAndEmptyTotals) {
  const auto equal = SliceAngles({5, 5});
  EXPECT_DOUBLE_EQ(equal[0].End, kTwoPi / 2);
  EXPECT_EQ(equal[1].End, kTwoPi);

  const auto zero = SliceAngles({5, 0});
  EXPECT_EQ(zero[0].Start, 0);
  EXPECT_EQ(zero[0].End, kTwoPi);
  EXPECT_EQ(zero[1].Start, kTwoPi);
  EXPECT_EQ(zero[1].End, kTwoPi);

  const auto none = SliceAngles({0, 0});
  EXPECT_EQ(none[0].Start, 0);
  EXPECT_EQ(none[0].End, kTwoPi);
  EXPECT_EQ(none[1].Start, kTwoPi);
  EXPECT_EQ(none[1].End, kTwoPi);
  EXPECT_EQ(none[1].Middle, kTwoPi);

  // Negative values count by their size.
  const auto negative = SliceAngles({-3, 1});
  EXPECT_DOUBLE_EQ(negative[0].End, 0.75 * kTwoPi);
  EXPECT_EQ(negative[1].End, kTwoPi);

  // A grouped value adds nothing.
  const auto grouped = SliceAngles({2, 2, 4}, {false, true, false});
  EXPECT_DOUBLE_EQ(grouped[0].End, kTwoPi / 4);
  EXPECT_DOUBLE_EQ(grouped[1].End, kTwoPi / 4);
  EXPECT_DOUBLE_EQ(grouped[2].End, 3 * kTwoPi / 4);

  EXPECT_TRUE(SliceAngles({}).empty());
}

TEST(ChartPieRect, CircledInTheDriveWindow) {
  const TPieGeometry pie = PieRect(TRect{9, 4, 280, 112}, true, 1.0);
  EXPECT_EQ(pie.Rect, (TRect{90, 4, 198, 112}));
  EXPECT_EQ(pie.Centre, (TPoint{144, 58}));
  EXPECT_EQ(pie.XRadius, 54);
  EXPECT_EQ(pie.YRadius, 54);
  EXPECT_TRUE(PieIsDrawable(pie));

  const TPieGeometry oval = PieRect(TRect{9, 4, 280, 112}, false, 1.0);
  EXPECT_EQ(oval.Rect, (TRect{9, 4, 279, 112}));
  EXPECT_EQ(oval.XRadius, 135);
  EXPECT_EQ(oval.YRadius, 54);
}

TEST(ChartPieRect, TallPlotAndNonSquarePixels) {
  const TPieGeometry tall = PieRect(TRect{0, 0, 50, 200}, true, 1.0);
  EXPECT_EQ(tall.Rect, (TRect{0, 75, 50, 125}));
  EXPECT_EQ(tall.XRadius, 25);
  EXPECT_EQ(tall.YRadius, 25);

  // Pixels twice as wide as high on screen: the pie is twice as many pixels wide.
  const TPieGeometry wide = PieRect(TRect{9, 4, 280, 112}, true, 2.0);
  EXPECT_EQ(wide.Rect, (TRect{36, 4, 252, 112}));
  EXPECT_EQ(wide.XRadius, 108);
  EXPECT_EQ(wide.YRadius, 54);

  // Pixels half as wide: the width shrinks, or the height when the width is short.
  const TPieGeometry narrow = PieRect(TRect{0, 0, 100, 100}, true, 0.5);
  EXPECT_EQ(narrow.Rect, (TRect{25, 0, 75, 100}));
  EXPECT_EQ(narrow.XRadius, 25);
  EXPECT_EQ(narrow.YRadius, 50);
  const TPieGeometry narrower = PieRect(TRect{0, 0, 40, 100}, true, 0.5);
  EXPECT_EQ(narrower.XRadius, 20);
  EXPECT_EQ(narrower.YRadius, 40);

  // An unknown ratio behaves as 1.
  EXPECT_EQ(PieRect(TRect{9, 4, 280, 112}, true, 0.0).Rect, (TRect{90, 4, 198, 112}));
}

TEST(ChartPieRect, SmallRectanglesAreWidenedAndNotDrawn) {
  const TPieGeometry tiny = PieRect(TRect{10, 10, 13, 11}, true, 1.0);
  EXPECT_EQ(tiny.Rect.Width(), 4);
  EXPECT_EQ(tiny.Rect.Height(), 4);
  EXPECT_FALSE(PieIsDrawable(tiny));
  EXPECT_TRUE(PieIsDrawable(PieRect(TRect{0, 0, 6, 6}, true, 1.0)));
  EXPECT_FALSE(PieIsDrawable(PieRect(TRect{0, 0, 200, 5}, true, 1.0)));
}

TEST(ChartPieRect, ScreenRatioFromPixelsAndMillimetres) {
  EXPECT_DOUBLE_EQ(ScreenRatio(1920, 1080, 480, 270), 1.0);
  EXPECT_DOUBLE_EQ(ScreenRatio(1920, 1080, 0, 270), 1920.0 / 1080.0);
  EXPECT_DOUBLE_EQ(ScreenRatio(1280, 1024, 400, 250), (1280.0 / 1024.0) / (400.0 / 250.0));
  EXPECT_DOUBLE_EQ(ScreenRatio(0, 0, 0, 0), 1.0);
}

TEST(ChartProjection, CoefficientsOfTheDriveWindowView) {
  const View3DOptions view;  // elevation 315, rotation 360, tilt 0
  const TProjection p(view, TPoint{144, 58}, 19);
  EXPECT_DOUBLE_EQ(p.Kxx(), 1.0);
  EXPECT_DOUBLE_EQ(p.Kxy(), 0.0);
  EXPECT_LT(std::fabs(p.Kxz()), 1e-12);
  EXPECT_LT(std::fabs(p.Kyx()), 1e-12);
  EXPECT_NEAR(p.Kyy(), 0.70710678, 1e-8);
  EXPECT_NEAR(p.Kyz(), -0.70710678, 1e-8);
  EXPECT_EQ(p.DepthCentre(), 9);

  EXPECT_EQ(p.Project3D(144, 58, 19), (TPoint{144, 51}));   // top face centre
  EXPECT_EQ(p.Project3D(144, 58, 0), (TPoint{144, 64}));    // front centre
  EXPECT_EQ(p.Project3D(144, 4, 19), (TPoint{144, 13}));    // far edge of the top face
  EXPECT_EQ(p.Project3D(144, 112, 0), (TPoint{144, 103}));  // near edge of the front
  for (int x = 80; x <= 210; x += 13) {
    for (int y = 0; y <= 120; y += 7) {
      for (int z : {0, 5, 9, 19}) {
        const TPoint s = p.Project3D(x, y, z);
        EXPECT_EQ(s.X, x);
        EXPECT_EQ(s.Y, 58 + static_cast<int>(std::nearbyint(0.70710678 * ((y - 58) - (z - 9)))));
      }
    }
  }
}

TEST(ChartProjection, FullCoefficientTable) {
  View3DOptions flat;
  flat.Rotation = 0;
  flat.Elevation = 0;
  const TProjection identity(flat, TPoint{100, 50}, 20);
  EXPECT_EQ(identity.Project3D(130, 20, 0), (TPoint{130, 20}));

  // Zoom, offsets.
  flat.Zoom = 200;
  flat.HorizOffset = 3;
  flat.VertOffset = -4;
  const TProjection zoomed(flat, TPoint{100, 50}, 20);
  EXPECT_EQ(zoomed.Project3D(110, 45, 10), (TPoint{123, 36}));

  // Tilt 90: kxx falls to its minimum, x follows y.
  View3DOptions tilted;
  tilted.Rotation = 0;
  tilted.Elevation = 0;
  tilted.Tilt = 90;
  const TProjection t(tilted, TPoint{0, 0}, 0);
  EXPECT_DOUBLE_EQ(t.Kxx(), 1e-5);
  EXPECT_NEAR(t.Kxy(), 1.0, 1e-12);
  EXPECT_NEAR(t.Kyx(), -1.0, 1e-12);
  EXPECT_DOUBLE_EQ(t.Kyy(), 1e-5);
  EXPECT_EQ(t.Project3D(10, 20, 0), (TPoint{20, -10}));

  // Rotation 90 at elevation 0 turns depth into x.
  View3DOptions turned;
  turned.Rotation = 90;
  turned.Elevation = 0;
  const TProjection r(turned, TPoint{0, 0}, 0);
  EXPECT_DOUBLE_EQ(r.Kxx(), 1e-5);
  EXPECT_NEAR(r.Kxz(), -1.0, 1e-12);
  EXPECT_EQ(r.Project3D(0, 7, 30), (TPoint{-30, 7}));

  // Rotation 30, elevation 20, tilt 10: each coefficient against its formula.
  View3DOptions any;
  any.Rotation = 30;
  any.Elevation = 20;
  any.Tilt = 10;
  const TProjection a(any, TPoint{0, 0}, 0);
  const double sr = std::sin(30 * kRad), cr = std::cos(30 * kRad);
  const double se = std::sin(20 * kRad), ce = std::cos(20 * kRad);
  const double st = std::sin(10 * kRad), ct = std::cos(10 * kRad);
  EXPECT_NEAR(a.Kxx(), sr * se * st + cr * ct, 1e-12);
  EXPECT_NEAR(a.Kxy(), ce * st, 1e-12);
  EXPECT_NEAR(a.Kxz(), cr * se * st - ct * sr, 1e-12);
  EXPECT_NEAR(a.Kyx(), ct * sr * se - cr * st, 1e-12);
  EXPECT_NEAR(a.Kyy(), ce * ct, 1e-12);
  EXPECT_NEAR(a.Kyz(), cr * ct * se + sr * st, 1e-12);
}

TEST(ChartSlices, PointCounts) {
  EXPECT_EQ(SlicePointCount(25 * kRad, 277 * kRad), 27);
  EXPECT_EQ(SlicePointCount(277 * kRad, 385 * kRad), 13);
  EXPECT_EQ(SlicePointCount(0, kTwoPi), 32);
  EXPECT_EQ(SlicePointCount(kTwoPi, kTwoPi), 2);
  EXPECT_EQ(SlicePointCount(0, 3 * kRad), 2);
  EXPECT_EQ(SlicePointCount(0, 7 * kRad), 3);
  EXPECT_EQ(SlicePointCount(0, 305 * kRad), 32);
}

class DriveWindowSlices : public ::testing::Test {
 protected:
  TProjection projection{View3DOptions{}, TPoint{144, 58}, 19};
  TPoint centre{144, 58};

  SlicePolygons Slice(double startDeg, double endDeg) {
    return DrawSlice3D(projection, centre, 54, 54, 19, startDeg * kRad, endDeg * kRad);
  }
  TPoint Arc(double deg, int z) {
    const long double a = deg * kRad;
    return projection.Project3D(centre.X + RoundHalfEven(54 * std::cos(a)),
                                centre.Y - RoundHalfEven(54 * std::sin(a)), z);
  }
};

TEST_F(DriveWindowSlices, FacePolygon) {
  const SlicePolygons big = Slice(25, 277);
  EXPECT_EQ(big.PointCount, 27);
  ASSERT_EQ(big.Face.size(), 28u);
  EXPECT_EQ(big.Face[0], (TPoint{144, 51}));
  EXPECT_EQ(big.Face[1], (TPoint{193, 35}));
  EXPECT_EQ(big.Face[1], Arc(25, 19));
  EXPECT_EQ(big.Face.back(), Arc(277, 19));
  EXPECT_EQ(big.Face[14], Arc(25 + 13 * (252.0 / 26), 19));
  EXPECT_EQ(big.Front[0], Arc(25, 0));
  EXPECT_EQ(big.Front[0].Y - big.Back[0].Y, 13);  // 0.707 × 19

  const SlicePolygons small = Slice(277, 385);
  EXPECT_EQ(small.PointCount, 13);
  ASSERT_EQ(small.Face.size(), 14u);
  EXPECT_EQ(small.Face[1], big.Face.back());
  EXPECT_EQ(small.Face.back(), big.Face[1]);
}

// Checks that a band is Bp … Bq followed by Fq … Fp.
void ExpectBand(const SlicePolygons& s, const std::vector<TPoint>& band, int p, int q) {
  ASSERT_EQ(band.size(), static_cast<std::size_t>(2 * (q - p + 1)));
  std::size_t i = 0;
  for (int k = p; k <= q; ++k) EXPECT_EQ(band[i++], s.Back[static_cast<std::size_t>(k - 1)]);
  for (int k = q; k >= p; --k) EXPECT_EQ(band[i++], s.Front[static_cast<std::size_t>(k - 1)]);
}

TEST_F(DriveWindowSlices, RimBandsFaceTheViewer) {
  // 25° to 277°: x falls to 180°, then grows to the end: one band to N.
  const SlicePolygons big = Slice(25, 277);
  ASSERT_EQ(big.RimBands.size(), 1u);
  int s = 0;
  for (int k = 2; k <= 27; ++k) {
    if (big.Back[static_cast<std::size_t>(k - 1)].X > big.Back[static_cast<std::size_t>(k - 2)].X) {
      s = k - 1;
      break;
    }
  }
  EXPECT_EQ(s, 17);  // the arc point at 180.1°, the leftmost of the ellipse
  ExpectBand(big, big.RimBands[0], 17, 27);

  // 277° to 385°: x grows to 360°, then falls: one band from the start.
  const SlicePolygons small = Slice(277, 385);
  ASSERT_EQ(small.RimBands.size(), 1u);
  int e = 0;
  for (int j = 2; j <= 12; ++j) {
    if (small.Back[static_cast<std::size_t>(j)].X < small.Back[static_cast<std::size_t>(j - 1)].X) {
      e = j;
      break;
    }
  }
  EXPECT_EQ(e, 11);  // 367°: x stays at 198 from 358°, falls after
  ExpectBand(small, small.RimBands[0], 1, 11);

  // The upper half never shows its rim.
  EXPECT_TRUE(Slice(30, 150).RimBands.empty());
}

TEST_F(DriveWindowSlices, TwoBandsWhenTheSliceWrapsPastTheBack) {
  // 300° to 600°: grows to 360°, falls over the top, grows again from 540°.
  const SlicePolygons s = Slice(300, 600);
  EXPECT_EQ(s.PointCount, 32);
  ASSERT_EQ(s.RimBands.size(), 2u);
  EXPECT_EQ(s.RimBands[0].front(), s.Back[0]);
  EXPECT_EQ(s.RimBands[1][s.RimBands[1].size() / 2 - 1], s.Back.back());
  // Every back point of a band moves right or stays.
  for (const auto& band : s.RimBands) {
    for (std::size_t i = 1; i < band.size() / 2; ++i) EXPECT_GE(band[i].X, band[i - 1].X);
  }
}

TEST_F(DriveWindowSlices, EmptySliceIsARadialLine) {
  const SlicePolygons line = Slice(385, 385);
  EXPECT_EQ(line.PointCount, 2);
  ASSERT_EQ(line.Face.size(), 3u);
  EXPECT_EQ(line.Face[0], (TPoint{144, 51}));
  EXPECT_EQ(line.Face[1], Arc(25, 19));
  EXPECT_EQ(line.Face[2], Arc(25, 19));
  EXPECT_TRUE(line.RimBands.empty());

  const SlicePolygons full = Slice(25, 385);
  EXPECT_EQ(full.PointCount, 32);
  EXPECT_EQ(full.Face[1], full.Face.back());
}

TEST(ChartColours, DarkenColor) {
  EXPECT_EQ(DarkenColor(RgbColor(218, 12, 28), 32), RgbColor(186, 0, 0));
  EXPECT_EQ(DarkenColor(RgbColor(134, 255, 13), 32), RgbColor(102, 223, 0));
  EXPECT_EQ(DarkenColor(RgbColor(33, 32, 31), 32), RgbColor(1, 0, 0));
  const QColor face = ResolveColor(clBtnFace);
  auto down = [](int c) { return c > 32 ? c - 32 : 0; };
  EXPECT_EQ(DarkenColor(clBtnFace, 32), RgbColor(down(face.red()), down(face.green()), down(face.blue())));
  EXPECT_EQ(ToColorValue(QColor(218, 12, 28)), 0x1C0CDAu);
}

}  // namespace
}  // namespace vorkan::chart
