// The chart legend: one line per slice with a colour box, the slice's label and
// its share in percent, laid out in columns under the pie.
#pragma once

#include "ChartColors.h"
#include "PieGeometry.h"
#include "TPieSeries.h"

#include <QFont>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace vorkan::chart {

enum TLegendAlignment { laLeft, laRight, laTop, laBottom };
enum TLegendStyle { lsAuto, lsSeries, lsValues, lsLastValues };
enum TLegendTextStyle { ltsPlain, ltsLeftValue, ltsRightValue, ltsLeftPercent, ltsRightPercent, ltsXValue };

// p formatted as "##0.## %": two decimals at most (halves away from zero),
// trailing zeros and a bare separator dropped, the locale's decimal separator.
QString FormatPercent(double percent);

// 100 × value / total, or 100 when the total is 0.
double SlicePercent(double value, double total);

// label + " " + percent text, carriage returns turned into spaces.
QString LegendItemText(const QString& label, double value, double total);

// The item texts of a series in its current order.
std::vector<QString> LegendItemTexts(const std::vector<TPiePoint>& points);

// The settings the bottom layout depends on, held once by the legend (here
// with the drive window's values) and handed as they are to the layout.
struct TLegendSettings {
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
struct TLegendMetrics {
  int ItemHeight = 0;           // text height of "W"
  std::vector<int> TextWidths;  // one per item
};

struct TLegendItemPlace {
  int Index = 0;   // point index
  TPoint Text;     // top-left of the text
  TRect ColorBox;  // box edges; Right and Bottom lie just outside
};

struct TLegendLayout {
  int ItemHeight = 0;
  int TextColumnWidth = 0;
  int ColorBoxWidth = 0;
  int Columns = 0;
  int Rows = 0;
  TRect Rect;  // left, top, right, bottom
  std::vector<TLegendItemPlace> Items;
  bool Drawn = false;   // false: nothing drawn, PlotRect kept
  TRect PlotRectAfter;  // the plot rectangle once the legend took its height
};

class TCustomChartLegend {
 public:
  virtual ~TCustomChartLegend() = default;

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  bool Visible() const { return visible_; }

  TLegendAlignment Alignment() const { return alignment_; }
  TLegendStyle LegendStyle() const { return legendStyle_; }
  TLegendTextStyle TextStyle() const { return textStyle_; }
  const TLegendSettings& Settings() const { return settings_; }

  // "Arial" 8 point at the given logical resolution (96 dots per inch gives an
  // 11-pixel em), so that measuring and drawing agree on any device.
  QFont Font(int logicalDpi) const;

  // The laBottom layout for `itemCount` items given the measured metrics.
  TLegendLayout LayoutBottom(const TRect& plotRect, int chartWidth, int itemCount,
                             const TLegendMetrics& metrics) const;

  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 protected:
  void Changed();

 private:
  TColor color_ = clWhite;
  bool visible_ = true;
  TLegendAlignment alignment_ = laBottom;
  TLegendStyle legendStyle_ = lsValues;
  TLegendTextStyle textStyle_ = ltsRightPercent;
  TLegendSettings settings_;
  std::function<void()> onChange_;
};

class TChartLegend : public TCustomChartLegend {};

// The laBottom layout as a plain function of its inputs.
TLegendLayout LayoutBottomLegend(const TRect& plotRect, int chartWidth, int itemCount,
                                 const TLegendMetrics& metrics, const TLegendSettings& settings);

}  // namespace vorkan::chart
