// SPDX-License-Identifier: GPL-3.0-or-later
// The chart control of the drive window: a bevelled panel holding one 3D pie
// series with its legend at the bottom. Every paint lays the chart out anew,
// draws it into a buffer image the size of the control and copies that image
// to the screen in one step.
#pragma once

#include "ChartColors.h"
#include "ChartLegend.h"
#include "PieGeometry.h"
#include "PieSeries.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace vorkan::chart {

// Everything one paint computes, in drawing order.
struct ChartLayout {
  TRect ChartArea;
  TRect MarginPlotRect;              // after the margins, before the legend
  std::vector<QString> LegendTexts;  // one per point, in drawing order
  LegendLayout Legend;
  TRect PlotRect;  // after the legend took its height
  int Depth = 0;
  TPoint ProjectionCentre;
  TPieGeometry Pie;
  bool PieDrawn = false;              // false when the pie rectangle is too small
  std::vector<SliceAngle> Angles;     // before the rotation
  std::vector<SlicePolygons> Slices;  // empty when the pie is not drawn
  std::vector<TColor> FaceColors;
  std::vector<TColor> RimColors;
};

// The chart settings the layout depends on.
struct ChartSettings {
  int MarginLeft = 3;
  int MarginTop = 3;
  int MarginRight = 3;
  int MarginBottom = 3;
  int BorderWidth = 0;
  int DepthPercent = 35;
  View3DOptions View;
};

// Lays out a chart of the given size whose points are already in drawing order.
// `legendMetrics` holds the measured item height and text widths; the legend
// is left out when `legend` is null or hidden.
ChartLayout ComputeChartLayout(int width, int height, const ChartSettings& settings, const PieSeries& series,
                               const ChartLegendBase* legend, const LegendMetrics& legendMetrics,
                               double screenRatio);

class PieChart : public QWidget {
  Q_OBJECT

 public:
  explicit PieChart(QWidget* parent = nullptr);

  // The chart's only series and its legend.
  PieSeries& Series() { return series_; }
  const PieSeries& Series() const { return series_; }
  ChartLegend& Legend() { return legend_; }
  const ChartLegend& Legend() const { return legend_; }

  // What the drive window calls: clear the series, add a point, set the
  // legend colour. Each repaints.
  void ClearSeries();
  int AddPoint(double value, const QString& label, TColor color);
  void SetLegendColor(TColor color);

  // Percent of depth, 1..100; anything else is refused with EChartException.
  int DepthPercent() const { return settings_.DepthPercent; }
  void SetDepthPercent(int percent);

  const ChartSettings& Settings() const { return settings_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Pixel aspect of the control's screen (1 when the screen gives no size);
  // an override makes layouts independent of the display.
  double ScreenRatio() const;
  void SetScreenRatioOverride(std::optional<double> ratio);

  // The legend font and its metrics for the current items.
  QFont LegendFont() const;
  LegendMetrics MeasureLegend(const std::vector<QString>& texts) const;

  // Prepares the series (sorting its points, as every drawing does) and lays
  // the chart out for the current size.
  ChartLayout ComputeLayout();

  // Draws the whole chart into the buffer image and returns it.
  const QImage& RenderImage();
  // The buffer as the last paint or RenderImage left it.
  const QImage& Buffer() const { return buffer_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Changed();

  PieSeries series_;
  ChartLegend legend_;
  ChartSettings settings_;
  TColor color_ = clBtnFace;
  std::optional<double> ratioOverride_;
  QImage buffer_;
};

}  // namespace vorkan::chart
