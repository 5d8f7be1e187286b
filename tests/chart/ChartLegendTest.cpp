// SPDX-License-Identifier: GPL-3.0-or-later
// Legend item texts and the bottom layout of the drive window's chart.
#include "ChartLegend.h"
#include "LocaleSeparators.h"
#include "MulDiv.h"
#include "PieChart.h"

#include <gtest/gtest.h>

#include <optional>

namespace vorkan::chart {
namespace {

class LegendTexts : public ::testing::Test {
 protected:
  void SetUp() override { vorkan::OverrideSeparators(",", " "); }
  void TearDown() override { vorkan::OverrideSeparators(std::nullopt, std::nullopt); }
};

TEST_F(LegendTexts, PercentFormatting) {
  EXPECT_EQ(FormatPercent(70), QStringLiteral("70 %"));
  EXPECT_EQ(FormatPercent(37.256), QStringLiteral("37,26 %"));
  EXPECT_EQ(FormatPercent(0.004), QStringLiteral("0 %"));
  EXPECT_EQ(FormatPercent(0), QStringLiteral("0 %"));
  EXPECT_EQ(FormatPercent(100.0 / 3), QStringLiteral("33,33 %"));
  EXPECT_EQ(FormatPercent(200.0 / 3), QStringLiteral("66,67 %"));
  EXPECT_EQ(FormatPercent(50), QStringLiteral("50 %"));
  EXPECT_EQ(FormatPercent(100), QStringLiteral("100 %"));
  EXPECT_EQ(FormatPercent(12.5), QStringLiteral("12,5 %"));
  EXPECT_EQ(FormatPercent(12.30), QStringLiteral("12,3 %"));
  EXPECT_EQ(FormatPercent(99.999), QStringLiteral("100 %"));
  EXPECT_EQ(FormatPercent(99.994), QStringLiteral("99,99 %"));
  EXPECT_EQ(FormatPercent(0.005), QStringLiteral("0,01 %"));
  EXPECT_EQ(FormatPercent(0.0049), QStringLiteral("0 %"));
  EXPECT_EQ(FormatPercent(1.005), QStringLiteral("1,01 %"));  // halves away from zero as written
  EXPECT_EQ(FormatPercent(12.345), QStringLiteral("12,35 %"));
  EXPECT_EQ(FormatPercent(0.01), QStringLiteral("0,01 %"));
  EXPECT_EQ(FormatPercent(1e-20), QStringLiteral("0 %"));
  EXPECT_EQ(FormatPercent(1234.5), QStringLiteral("1234,5 %"));  // no thousands separator
  EXPECT_EQ(FormatPercent(-37.256), QStringLiteral("-37,26 %"));
  EXPECT_EQ(FormatPercent(-0.001), QStringLiteral("0 %"));
}

TEST_F(LegendTexts, DecimalSeparatorComesFromTheLocaleSetting) {
  vorkan::OverrideSeparators(".", ",");
  EXPECT_EQ(FormatPercent(37.256), QStringLiteral("37.26 %"));
  vorkan::OverrideSeparators("\xC2\xB7", std::nullopt);  // a two-byte separator
  EXPECT_EQ(FormatPercent(2.5), QString::fromUtf8("2\xC2\xB7"
                                                  "5 %"));
}

TEST_F(LegendTexts, ItemTexts) {
  EXPECT_EQ(SlicePercent(70, 100), 70);
  EXPECT_EQ(SlicePercent(0, 0), 100);
  EXPECT_EQ(SlicePercent(5, 0), 100);
  EXPECT_EQ(LegendItemText(QStringLiteral("Занято:"), 70, 100), QStringLiteral("Занято: 70 %"));
  EXPECT_EQ(LegendItemText(QStringLiteral("Свободно:"), 0, 8), QStringLiteral("Свободно: 0 %"));
  EXPECT_EQ(LegendItemText(QStringLiteral("a\rb\r"), 1, 2), QStringLiteral("a b  50 %"));

  PieSeries series;
  series.Add(1, QStringLiteral("one"), 1);
  series.Add(2, QStringLiteral("two"), 2);
  series.PrepareForDrawing();
  const auto texts = LegendItemTexts(series.Points());
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], QStringLiteral("two 66,67 %"));
  EXPECT_EQ(texts[1], QStringLiteral("one 33,33 %"));

  series.Clear();
  series.Add(0, QStringLiteral("a"), 1);
  series.Add(0, QStringLiteral("b"), 2);
  series.PrepareForDrawing();
  const auto zero = LegendItemTexts(series.Points());
  EXPECT_EQ(zero[0], QStringLiteral("b 100 %"));  // equal values: the second added first
  EXPECT_EQ(zero[1], QStringLiteral("a 100 %"));
}

LegendSettings WindowLegend() { return LegendSettings{}; }

TEST(LegendLayout, DriveWindowExample) {
  const LegendMetrics metrics{14, {80, 70}};
  const LegendLayout l = LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, metrics, WindowLegend());
  EXPECT_TRUE(l.Drawn);
  EXPECT_EQ(l.ItemHeight, 14);
  EXPECT_EQ(l.TextColumnWidth, 84);
  EXPECT_EQ(l.ColorBoxWidth, 13);
  EXPECT_EQ(l.Columns, 2);
  EXPECT_EQ(l.Rows, 1);
  EXPECT_EQ(l.Rect, (TRect{39, 117, 249, 133}));
  ASSERT_EQ(l.Items.size(), 2u);
  EXPECT_EQ(l.Items[0].Index, 0);
  EXPECT_EQ(l.Items[0].Text, (TPoint{60, 118}));
  EXPECT_EQ(l.Items[0].ColorBox, (TRect{43, 120, 56, 130}));
  EXPECT_EQ(l.Items[1].Index, 1);
  EXPECT_EQ(l.Items[1].Text, (TPoint{161, 118}));
  EXPECT_EQ(l.Items[1].ColorBox, (TRect{144, 120, 157, 130}));
  EXPECT_EQ(l.PlotRectAfter, (TRect{9, 4, 280, 112}));
}

TEST(LegendLayout, EmptySeriesDrawsNothingAndKeepsThePlot) {
  const LegendLayout l =
      LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 0, LegendMetrics{14, {}}, WindowLegend());
  EXPECT_FALSE(l.Drawn);
  EXPECT_TRUE(l.Items.empty());
  EXPECT_EQ(l.Columns, 0);
  EXPECT_EQ(l.Rows, 0);
  EXPECT_EQ(l.PlotRectAfter, (TRect{9, 4, 280, 133}));

  // A plot whose right edge is at 8 or less has no columns.
  const LegendLayout left =
      LayoutBottomLegend(TRect{0, 0, 8, 100}, 8, 2, LegendMetrics{14, {1, 1}}, WindowLegend());
  EXPECT_FALSE(left.Drawn);
  EXPECT_EQ(left.PlotRectAfter, (TRect{0, 0, 8, 100}));

  // Columns that do not fit the plot width.
  const LegendLayout wide =
      LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, LegendMetrics{14, {300, 1}}, WindowLegend());
  EXPECT_FALSE(wide.Drawn);
  EXPECT_EQ(wide.PlotRectAfter, (TRect{9, 4, 280, 133}));
}

TEST(LegendLayout, NarrowPlotStacksItemsInRows) {
  const LegendMetrics metrics{14, {130, 90}};
  const LegendLayout l = LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, metrics, WindowLegend());
  EXPECT_EQ(l.TextColumnWidth, 134);
  EXPECT_EQ(l.ColorBoxWidth, 20);  // 20.1
  EXPECT_EQ(l.Columns, 1);         // 261 div 162
  EXPECT_EQ(l.Rows, 2);
  EXPECT_EQ(l.Rect.Top, 103);
  // 20 + 134 + 4 + 8 = 166 wide around centre 144.
  EXPECT_EQ(l.Rect.Left, 61);
  EXPECT_EQ(l.Rect.Right, 227);
  ASSERT_EQ(l.Items.size(), 2u);
  EXPECT_EQ(l.Items[0].Text, (TPoint{89, 104}));
  EXPECT_EQ(l.Items[1].Text, (TPoint{89, 118}));
  EXPECT_EQ(l.Items[1].ColorBox, (TRect{65, 120, 85, 130}));
  EXPECT_EQ(l.PlotRectAfter.Bottom, 98);  // 103 − 5
}

// Two columns fit while (plot width − 2 × 1 − 8) div (TextColumnWidth +
// ColorBoxWidth + 8) is 2. A widest text of 103 gives TextColumnWidth 107 and
// ColorBoxWidth round(16.05) = 16, a column of 131, so two need a plot of
// 2 × 131 + 10 = 272; one pixel less of text (106 + 16 + 8 = 130) fits them
// into the window's 271. The legend is 2 × (16 + 107 + 4) + 8 = 262 wide with
// two columns, 135 with one, around the plot centre.
TEST(LegendLayout, ColumnCountAtTheWidthBoundary) {
  struct Case {
    int plotWidth, widest, columns, rows;
    TRect rect;
  };
  const Case cases[] = {
      {271, 103, 1, 2, TRect{77, 103, 211, 133}},  // 261 div 131 = 1; centre 144
      {272, 103, 2, 1, TRect{14, 117, 276, 133}},  // 262 div 131 = 2; centre 145
      {273, 103, 2, 1, TRect{14, 117, 276, 133}},  // 263 div 131 = 2; centre 145
      {271, 102, 2, 1, TRect{14, 117, 274, 133}},  // 261 div 130 = 2; 260 wide
      {269, 102, 1, 2, TRect{76, 103, 210, 133}},  // 259 div 130 = 1; centre 143
  };
  PieChart chart;  // the window's legend settings
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "plot " << c.plotWidth << ", widest text " << c.widest);
    const LegendLayout l = chart.Legend().LayoutBottom(TRect{9, 4, 9 + c.plotWidth, 133}, 289, 2,
                                                       LegendMetrics{14, {c.widest, 60}});
    EXPECT_EQ(l.Columns, c.columns);
    EXPECT_EQ(l.Rows, c.rows);
    EXPECT_EQ(l.Rect, c.rect);
    ASSERT_EQ(l.Items.size(), 2u);
    // The second item beside the first, or under it.
    EXPECT_EQ(l.Items[1].Text.Y - l.Items[0].Text.Y, c.columns == 2 ? 0 : 14);
  }
}

TEST(LegendLayout, RowsAreCappedAndShiftFollowsTopPos) {
  std::vector<int> widths(25, 200);
  const LegendLayout capped =
      LayoutBottomLegend(TRect{9, 4, 280, 400}, 289, 25, LegendMetrics{10, widths}, WindowLegend());
  EXPECT_EQ(capped.Columns, 1);
  EXPECT_EQ(capped.Rows, 10);
  EXPECT_EQ(capped.Items.size(), 10u);
  EXPECT_EQ(capped.Items.back().Index, 9);
  EXPECT_EQ(capped.Rect.Top, 400 - 2 - 100);

  LegendSettings shifted = WindowLegend();
  shifted.TopPos = 10;
  const LegendLayout s =
      LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, LegendMetrics{14, {80, 70}}, shifted);
  EXPECT_EQ(s.Rect.Left, 39 + 8);  // round(10 × 79 × 0.01)
  EXPECT_EQ(s.Items[0].Text.X, 60 + 8);

  LegendSettings margin = WindowLegend();
  margin.VertMargin = 2;
  const LegendLayout m =
      LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, LegendMetrics{14, {80, 70}}, margin);
  EXPECT_EQ(m.PlotRectAfter.Bottom, 115);

  LegendSettings framed = WindowLegend();
  framed.FrameVisible = true;
  const LegendLayout f =
      LayoutBottomLegend(TRect{9, 4, 280, 133}, 289, 2, LegendMetrics{14, {80, 70}}, framed);
  EXPECT_EQ(f.Rect.Bottom, 131);
  EXPECT_EQ(f.Rect.Top, 115);
}

TEST(LegendLayout, WindowConfigurationOfTheLegend) {
  PieChart chart;
  const ChartLegend& legend = chart.Legend();
  EXPECT_EQ(legend.Alignment(), laBottom);
  EXPECT_EQ(legend.Style(), lsValues);
  EXPECT_EQ(legend.TextStyle(), ltsRightPercent);
  EXPECT_EQ(legend.Settings().ColorWidth, 15);
  EXPECT_FALSE(legend.Settings().FrameVisible);
  EXPECT_EQ(legend.Settings().ShadowSize, 0);
  EXPECT_EQ(legend.Settings().TopPos, 0);
  EXPECT_EQ(legend.Settings().MaxNumRows, 10);
  EXPECT_EQ(legend.Color(), clWhite);
  chart.SetLegendColor(clBtnFace);
  EXPECT_EQ(chart.Legend().Color(), clBtnFace);

  const QFont font = chart.LegendFont();
  EXPECT_EQ(font.family(), QStringLiteral("Arial"));
  EXPECT_EQ(font.pixelSize(), MulDiv(8, chart.logicalDpiY(), 72));
  EXPECT_FALSE(font.bold());
}

TEST(LegendLayout, ChartMeasuresWithTheLegendFont) {
  PieChart chart;
  chart.resize(289, 137);
  chart.SetScreenRatioOverride(1.0);
  chart.AddPoint(30, QStringLiteral("Свободно:"), RgbColor(134, 255, 13));
  chart.AddPoint(70, QStringLiteral("Занято:"), RgbColor(218, 12, 28));
  const ChartLayout layout = chart.ComputeLayout();
  const QFontMetrics fm(chart.LegendFont());
  ASSERT_TRUE(layout.Legend.Drawn);
  EXPECT_EQ(layout.Legend.ItemHeight, fm.height());
  const int widest =
      std::max(fm.horizontalAdvance(layout.LegendTexts[0]), fm.horizontalAdvance(layout.LegendTexts[1]));
  EXPECT_EQ(layout.Legend.TextColumnWidth, widest + 4);
  EXPECT_EQ(layout.Legend.Rect.Top, 133 - 2 - fm.height());
  EXPECT_EQ(layout.PlotRect.Bottom, layout.Legend.Rect.Top - 5);
  // Sorted before the legend: the larger slice is the first item.
  EXPECT_TRUE(layout.LegendTexts[0].startsWith(QStringLiteral("Занято: 70")));
}

}  // namespace
}  // namespace vorkan::chart
