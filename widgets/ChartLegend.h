// SPDX-License-Identifier: GPL-3.0-or-later
// The chart legend: one line per slice with a colour box, the slice's label and
// its share in percent, laid out in columns under the pie.
#pragma once

#include "ChartColors.h"
#include "PieGeometry.h"
#include "PieSeries.h"

#include <QFont>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace vorkan::chart {

enum LegendAlignment { laLeft, laRight, laTop, laBottom };
enum LegendStyle { lsAuto, lsSeries, lsValues, lsLastValues };
enum LegendTextStyle { ltsPlain, ltsLeftValue, ltsRightValue, ltsLeftPercent, ltsRightPercent, ltsXValue };

// p formatted as "##0.## %": two decimals at most (halves away from zero),
// trailing zeros and a bare separator dropped, the locale's decimal separator.
QString FormatPercent(double percent);

// 100 × value / total, or 100 when the total is 0.
double SlicePercent(double value, double total);

// label + " " + percent text, carriage returns turned into spaces.
QString LegendItemText(const QString& label, double value, double total);

// The item texts of a series in its current order.
std::vector<QString> LegendItemTexts(const std::vector<PiePoint>& points);

// The settings the bottom layout depends on, held once by the legend (here
// with the drive window's values) and handed as they are to the layout.
struct LegendSettings {
  int ColorWidth = 15;  // colour box width in percent of the text column
  bool FrameVisible = false;
  int FrameWidth = 1;
  int ShadowSize = 0;
  int TopPos = 0;
  int MaxNumRows = 10;
  int FirstValue = 0;
  bool Inverted = false;
  bool ResizeChart = true;
  int VertMargin = 0;  // 0: the automatic gap
};

// What the bottom layout measures of the item texts.
struct LegendMetrics {
  int ItemHeight = 0;           // text height of "W"
  std::vector<int> TextWidths;  // one per item
};

struct LegendItemPlace {
  int Index = 0;   // point index
  TPoint Text;     // top-left of the text
  TRect ColorBox;  // box edges; Right and Bottom lie just outside
};

struct LegendLayout {
  int ItemHeight = 0;
  int TextColumnWidth = 0;
  int ColorBoxWidth = 0;
  int Columns = 0;
  int Rows = 0;
  TRect Rect;  // left, top, right, bottom
  std::vector<LegendItemPlace> Items;
  bool Drawn = false;   // false: nothing drawn, PlotRect kept
  TRect PlotRectAfter;  // the plot rectangle once the legend took its height
};

class ChartLegendBase {
 public:
  virtual ~ChartLegendBase() = default;

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  bool Visible() const { return visible_; }

  LegendAlignment Alignment() const { return alignment_; }
  LegendStyle Style() const { return legendStyle_; }
  LegendTextStyle TextStyle() const { return textStyle_; }
  const LegendSettings& Settings() const { return settings_; }

  // "Arial" 8 point at the given logical resolution (96 dots per inch gives an
  // 11-pixel em), so that measuring and drawing agree on any device.
  QFont Font(int logicalDpi) const;

  // The laBottom layout for `itemCount` items given the measured metrics.
  LegendLayout LayoutBottom(const TRect& plotRect, int chartWidth, int itemCount,
                            const LegendMetrics& metrics) const;

  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 protected:
  void Changed();

 private:
  TColor color_ = clWhite;
  bool visible_ = true;
  LegendAlignment alignment_ = laBottom;
  LegendStyle legendStyle_ = lsValues;
  LegendTextStyle textStyle_ = ltsRightPercent;
  LegendSettings settings_;
  std::function<void()> onChange_;
};

class ChartLegend : public ChartLegendBase {};

// The laBottom layout as a plain function of its inputs.
LegendLayout LayoutBottomLegend(const TRect& plotRect, int chartWidth, int itemCount,
                                const LegendMetrics& metrics, const LegendSettings& settings);

}  // namespace vorkan::chart
