// SPDX-License-Identifier: GPL-3.0-or-later
// The drawn chart: colours of faces, rims, legend boxes, background and bevels
// at points taken from the layout the chart computed for itself.
#include "ChartColors.h"
#include "LocaleSeparators.h"
#include "PieChart.h"

#include <QFontInfo>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vorkan::chart {
namespace {

constexpr TColor kUsed = 0x1C0CDA;  // 218, 12, 28
constexpr TColor kFree = 0x0DFF86;  // 134, 255, 13

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }
QRgb Pixel(const QImage& image, TPoint p) { return image.pixel(p.X, p.Y) & 0xFFFFFF; }
QRgb Resolved(TColor c) { return ResolveColor(c).rgb() & 0xFFFFFF; }
std::string Hex(QRgb c) {
  char b[16];
  std::snprintf(b, sizeof b, "%06X", c & 0xFFFFFF);
  return b;
}
#define EXPECT_COLOR(image, point, expected) \
  EXPECT_EQ(Hex(Pixel(image, point)), Hex(expected)) << "at (" << (point).X << ", " << (point).Y << ")"

// A point inside the face: halfway from the centre to the middle arc point.
TPoint FaceInterior(const SlicePolygons& s) {
  const TPoint c = s.Face[0];
  const TPoint m = s.Back[s.Back.size() / 2];
  return TPoint{(c.X + m.X) / 2, (c.Y + m.Y) / 2};
}

// A point inside a rim band: the middle of the quad between two arc points
// half way along the band.
TPoint RimInterior(const std::vector<TPoint>& band) {
  const std::size_t n = band.size() / 2;  // back points, then front points reversed
  const std::size_t k = n / 2 - 1;
  const TPoint b0 = band[k], b1 = band[k + 1];
  const TPoint f1 = band[2 * n - 1 - (k + 1)], f0 = band[2 * n - 1 - k];
  return TPoint{(b0.X + b1.X + f0.X + f1.X) / 4, (b0.Y + b1.Y + f0.Y + f1.Y) / 4};
}

class DriveChart : public ::testing::Test {
 protected:
  void SetUp() override {
    vorkan::OverrideSeparators(",", " ");
    chart.resize(289, 137);
    chart.SetScreenRatioOverride(1.0);
  }
  void TearDown() override { vorkan::OverrideSeparators(std::nullopt, std::nullopt); }

  // What the drive window does at each opening.
  void Fill(double used, double free) {
    chart.ClearSeries();
    chart.SetLegendColor(clBtnFace);
    chart.AddPoint(used, QStringLiteral("Занято:"), kUsed);
    chart.AddPoint(free, QStringLiteral("Свободно:"), kFree);
  }

  PieChart chart;
};

TEST_F(DriveChart, LayoutOfTheWindowWithAssumedFontMetrics) {
  Fill(70, 30);
  chart.Series().PrepareForDrawing();
  const ChartLayout l = ComputeChartLayout(289, 137, chart.Settings(), chart.Series(), &chart.Legend(),
                                           LegendMetrics{14, {80, 80}}, 1.0);
  EXPECT_EQ(l.MarginPlotRect, (TRect{9, 4, 280, 133}));
  EXPECT_EQ(l.PlotRect, (TRect{9, 4, 280, 112}));
  EXPECT_EQ(l.Depth, 19);
  EXPECT_EQ(l.ProjectionCentre, (TPoint{144, 58}));
  EXPECT_EQ(l.Pie.Rect, (TRect{90, 4, 198, 112}));
  ASSERT_TRUE(l.PieDrawn);
  ASSERT_EQ(l.Slices.size(), 2u);
  EXPECT_EQ(l.Slices[0].PointCount, 27);
  EXPECT_EQ(l.Slices[1].PointCount, 13);
  EXPECT_EQ(l.Slices[0].Face[0], (TPoint{144, 51}));
  EXPECT_EQ(l.FaceColors[0], kUsed);
  EXPECT_EQ(l.RimColors[0], RgbColor(186, 0, 0));
  EXPECT_EQ(l.FaceColors[1], kFree);
  EXPECT_EQ(l.RimColors[1], RgbColor(102, 223, 0));
  EXPECT_EQ(l.LegendTexts[0], QStringLiteral("Занято: 70 %"));
  EXPECT_EQ(l.LegendTexts[1], QStringLiteral("Свободно: 30 %"));
  EXPECT_EQ(l.Legend.Items[1].ColorBox, (TRect{144, 120, 157, 130}));

  // Too little height for a pie of 5 pixels: the legend still draws.
  const ChartLayout flat = ComputeChartLayout(289, 20, chart.Settings(), chart.Series(), &chart.Legend(),
                                              LegendMetrics{14, {80, 80}}, 1.0);
  EXPECT_TRUE(flat.Legend.Drawn);
  EXPECT_FALSE(flat.PieDrawn);
  EXPECT_TRUE(flat.Slices.empty());

  // Without a legend the pie keeps the full plot.
  const ChartLayout bare =
      ComputeChartLayout(289, 137, chart.Settings(), chart.Series(), nullptr, LegendMetrics{}, 1.0);
  EXPECT_EQ(bare.PlotRect, (TRect{9, 4, 280, 133}));
}

TEST_F(DriveChart, RendersFacesRimsAndLegend) {
  Fill(70, 30);
  const QImage& image = chart.RenderImage();
  ASSERT_EQ(image.size(), QSize(289, 137));
  const ChartLayout l = chart.ComputeLayout();
  ASSERT_EQ(l.Slices.size(), 2u);

  EXPECT_COLOR(image, FaceInterior(l.Slices[0]), Rgb(218, 12, 28));
  EXPECT_COLOR(image, FaceInterior(l.Slices[1]), Rgb(134, 255, 13));
  ASSERT_EQ(l.Slices[0].RimBands.size(), 1u);
  ASSERT_EQ(l.Slices[1].RimBands.size(), 1u);
  EXPECT_COLOR(image, RimInterior(l.Slices[0].RimBands[0]), Rgb(186, 0, 0));
  EXPECT_COLOR(image, RimInterior(l.Slices[1].RimBands[0]), Rgb(102, 223, 0));
  // The top face's centre is on the outline where the slices meet.
  EXPECT_COLOR(image, l.Slices[0].Face[0], Rgb(0, 0, 0));
  // Above the pie and below its rim lies the background.
  EXPECT_COLOR(image, (TPoint{144, 8}), Resolved(clBtnFace));
  EXPECT_COLOR(image, (TPoint{144, 106}), Resolved(clBtnFace));

  // Legend boxes: slice colour inside, black outline.
  ASSERT_TRUE(l.Legend.Drawn);
  for (std::size_t i = 0; i < 2; ++i) {
    const TRect box = l.Legend.Items[i].ColorBox;
    const QRgb colour = i == 0 ? Rgb(218, 12, 28) : Rgb(134, 255, 13);
    EXPECT_COLOR(image, (TPoint{(box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2}), colour);
    EXPECT_COLOR(image, (TPoint{box.Left, box.Top}), Rgb(0, 0, 0));
    EXPECT_COLOR(image, (TPoint{box.Right - 1, box.Bottom - 1}), Rgb(0, 0, 0));
    EXPECT_COLOR(image, (TPoint{box.Right, box.Bottom}), Resolved(clBtnFace));
  }
  // Some of the item text is drawn in black.
  const LegendItemPlace& first = l.Legend.Items[0];
  int dark = 0;
  for (int y = first.Text.Y; y < first.Text.Y + l.Legend.ItemHeight; ++y) {
    for (int x = first.Text.X; x < first.Text.X + 30; ++x) {
      if (qGray(image.pixel(x, y)) < 80) ++dark;
    }
  }
  EXPECT_GT(dark, 10);
}

TEST_F(DriveChart, BackgroundBevelsAndLegendColour) {
  Fill(70, 30);
  chart.SetLegendColor(clWhite);
  const QImage& image = chart.RenderImage();
  const ChartLayout l = chart.ComputeLayout();
  const QRgb shadow = Resolved(clBtnShadow);
  const QRgb highlight = Resolved(clBtnHighlight);
  ASSERT_NE(shadow, highlight);
  // Lowered outside: dark top-left, light bottom-right; raised inside: the opposite.
  EXPECT_COLOR(image, (TPoint{100, 0}), shadow);
  EXPECT_COLOR(image, (TPoint{0, 60}), shadow);
  EXPECT_COLOR(image, (TPoint{100, 136}), highlight);
  EXPECT_COLOR(image, (TPoint{288, 60}), highlight);
  EXPECT_COLOR(image, (TPoint{100, 1}), highlight);
  EXPECT_COLOR(image, (TPoint{1, 60}), highlight);
  EXPECT_COLOR(image, (TPoint{100, 135}), shadow);
  EXPECT_COLOR(image, (TPoint{287, 60}), shadow);
  EXPECT_COLOR(image, (TPoint{4, 60}), Resolved(clBtnFace));

  // The legend rectangle in its own colour, the chart colour just outside it.
  const TRect r = l.Legend.Rect;
  EXPECT_COLOR(image, (TPoint{r.Left + 1, r.Bottom - 1}), Rgb(255, 255, 255));
  EXPECT_COLOR(image, (TPoint{r.Right - 2, r.Top}), Rgb(255, 255, 255));
  EXPECT_COLOR(image, (TPoint{r.Left - 1, r.Top + 3}), Resolved(clBtnFace));
  EXPECT_COLOR(image, (TPoint{r.Right, r.Top + 3}), Resolved(clBtnFace));
}

TEST_F(DriveChart, EqualValuesDrawTheSecondAddedFirstAtEveryPaint) {
  Fill(500, 500);
  const QImage first = chart.RenderImage().copy();
  EXPECT_EQ(chart.Series().Point(0).Label, QStringLiteral("Свободно:"));
  const ChartLayout l = chart.ComputeLayout();
  EXPECT_EQ(chart.Series().Point(0).Label, QStringLiteral("Свободно:"));
  EXPECT_EQ(l.LegendTexts[0], QStringLiteral("Свободно: 50 %"));
  EXPECT_EQ(l.LegendTexts[1], QStringLiteral("Занято: 50 %"));
  // The free slice runs from 25° to 205°: its middle (115°) is green.
  const TPoint c = l.Slices[0].Face[0];
  const double a = 115 * std::numbers::pi / 180;
  const TPoint upper{c.X + static_cast<int>(std::lround(27 * std::cos(a))),
                     c.Y - static_cast<int>(std::lround(19 * std::sin(a)))};
  const TPoint lower{c.X - static_cast<int>(std::lround(27 * std::cos(a))),
                     c.Y + static_cast<int>(std::lround(19 * std::sin(a)))};
  EXPECT_COLOR(first, upper, Rgb(134, 255, 13));
  EXPECT_COLOR(first, lower, Rgb(218, 12, 28));
  // Repainting does not make the slices trade places.
  const QImage second = chart.RenderImage().copy();
  const QImage third = chart.RenderImage().copy();
  EXPECT_TRUE(second == first);
  EXPECT_TRUE(third == first);
  // A point added after a drawing: the sort still starts from the order of
  // addition (three equal values A, B, C come out B, A, C).
  chart.AddPoint(500, QStringLiteral("third"), RgbColor(0, 0, 255));
  for (int paint = 0; paint < 3; ++paint) {
    chart.ComputeLayout();
    EXPECT_EQ(chart.Series().Point(0).Label, QStringLiteral("Свободно:"));
    EXPECT_EQ(chart.Series().Point(1).Label, QStringLiteral("Занято:"));
    EXPECT_EQ(chart.Series().Point(2).Label, QStringLiteral("third"));
  }
}

TEST_F(DriveChart, ZeroValueIsAFullCircleAndARadialLine) {
  Fill(1000, 0);
  const QImage& image = chart.RenderImage();
  const ChartLayout l = chart.ComputeLayout();
  ASSERT_EQ(l.Slices.size(), 2u);
  EXPECT_EQ(l.Angles[0].End, 2 * std::numbers::pi);
  EXPECT_EQ(l.Slices[0].PointCount, 32);
  EXPECT_EQ(l.Slices[1].PointCount, 2);
  EXPECT_EQ(l.LegendTexts[1], QStringLiteral("Свободно: 0 %"));
  const TPoint c = l.Slices[0].Face[0];
  for (int deg = 0; deg < 360; deg += 45) {
    if (deg == 0 || deg == 45) continue;  // beside the radial line at 25°
    const double a = deg * std::numbers::pi / 180;
    const TPoint p{c.X + static_cast<int>(std::lround(27 * std::cos(a))),
                   c.Y - static_cast<int>(std::lround(19 * std::sin(a)))};
    EXPECT_COLOR(image, p, Rgb(218, 12, 28)) << deg << "°";
  }
  // The empty slice is a black line from the centre to its arc point at 25°.
  const TPoint end = l.Slices[1].Back[0];
  const int x = (c.X + end.X) / 2;
  int black = 0;
  for (int y = std::min(c.Y, end.Y); y <= std::max(c.Y, end.Y); ++y) {
    if ((image.pixel(x, y) & 0xFFFFFF) == 0) ++black;
  }
  EXPECT_GE(black, 1);
}

TEST_F(DriveChart, TotalZeroShowsHundredPercentForEachItem) {
  Fill(0, 0);
  const QImage& image = chart.RenderImage();
  const ChartLayout l = chart.ComputeLayout();
  EXPECT_EQ(l.LegendTexts[0].right(5), QStringLiteral("100 %"));
  EXPECT_EQ(l.LegendTexts[1].right(5), QStringLiteral("100 %"));
  EXPECT_EQ(l.Slices[0].PointCount, 32);
  EXPECT_EQ(l.Slices[1].PointCount, 2);
  // Drawn with the slice that was first at that paint as the full circle.
  EXPECT_COLOR(image, (TPoint{l.Slices[0].Face[0].X - 20, l.Slices[0].Face[0].Y}), Rgb(134, 255, 13));
}

TEST_F(DriveChart, EmptySeriesDrawsNoPieAndNoLegend) {
  chart.ClearSeries();
  chart.SetLegendColor(clWhite);
  const QImage& image = chart.RenderImage();
  const ChartLayout l = chart.ComputeLayout();
  EXPECT_FALSE(l.Legend.Drawn);
  EXPECT_TRUE(l.Slices.empty());
  EXPECT_EQ(l.PlotRect, (TRect{9, 4, 280, 133}));
  const QRgb face = Resolved(clBtnFace);
  int other = 0;
  for (int y = 2; y < 135; ++y) {
    for (int x = 2; x < 287; ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) != face) ++other;
    }
  }
  EXPECT_EQ(other, 0);

  // After a clear the old slices are gone too.
  Fill(70, 30);
  chart.RenderImage();
  chart.ClearSeries();
  const QImage& cleared = chart.RenderImage();
  EXPECT_COLOR(cleared, (TPoint{144, 51}), face);
}

TEST_F(DriveChart, ResizeMovesThePlot) {
  Fill(70, 30);
  chart.resize(400, 300);
  const ChartLayout l = chart.ComputeLayout();
  EXPECT_EQ(l.MarginPlotRect, (TRect{12, 9, 388, 291}));
  EXPECT_EQ(l.Depth, SeriesDepth(376, 35, false));
  EXPECT_EQ(chart.RenderImage().size(), QSize(400, 300));
  // Circled: as wide as high.
  EXPECT_EQ(l.Pie.XRadius, l.Pie.YRadius);
}

TEST_F(DriveChart, PaintCopiesTheBufferToTheScreen) {
  Fill(70, 30);
  const QImage shown = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(289, 137));
  const QImage& buffer = chart.Buffer();
  ASSERT_EQ(buffer.size(), QSize(289, 137));
  int differing = 0;
  for (int y = 0; y < 137; ++y) {
    for (int x = 0; x < 289; ++x) {
      if ((shown.pixel(x, y) & 0xFFFFFF) != (buffer.pixel(x, y) & 0xFFFFFF)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
  const ChartLayout l = chart.ComputeLayout();
  EXPECT_COLOR(shown, FaceInterior(l.Slices[0]), Rgb(218, 12, 28));
}

TEST_F(DriveChart, ScreenRatioComesFromTheScreen) {
  PieChart plain;
  const QScreen* screen = plain.screen();
  ASSERT_NE(screen, nullptr);
  const double expected = ScreenRatio(screen->size().width(), screen->size().height(),
                                      screen->physicalSize().width(), screen->physicalSize().height());
  EXPECT_DOUBLE_EQ(plain.ScreenRatio(), expected);
  plain.SetScreenRatioOverride(2.0);
  EXPECT_DOUBLE_EQ(plain.ScreenRatio(), 2.0);
  plain.SetScreenRatioOverride(std::nullopt);
  EXPECT_DOUBLE_EQ(plain.ScreenRatio(), expected);
}

TEST_F(DriveChart, LegendFontResolvesToLiberationSans) {
  EXPECT_EQ(QFontInfo(chart.LegendFont()).family(), QStringLiteral("Liberation Sans"));
}

// Writes the rendered chart, three times enlarged, when VORKAN_CHART_PNG names
// a file: a way to look at the drawing.
TEST_F(DriveChart, WritesAPictureWhenAsked) {
  const char* path = std::getenv("VORKAN_CHART_PNG");
  if (path == nullptr) GTEST_SKIP() << "VORKAN_CHART_PNG not set";
  Fill(70, 30);
  const QImage big = chart.RenderImage().scaled(289 * 3, 137 * 3);
  EXPECT_TRUE(big.save(QString::fromLocal8Bit(path)));
}

}  // namespace
}  // namespace vorkan::chart
