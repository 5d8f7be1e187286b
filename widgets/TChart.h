// The chart control of the drive window: a bevelled panel holding one 3D pie
// series with its legend at the bottom. Every paint lays the chart out anew,
// draws it into a buffer image the size of the control and copies that image
// to the screen in one step.
#pragma once

#include "ChartColors.h"
#include "ChartLegend.h"
#include "PieGeometry.h"
#include "TPieSeries.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace vorkan::chart {

// Everything one paint computes, in drawing order.
struct TChartLayout {
  TRect ChartArea;
  TRect MarginPlotRect;              // after the margins, before the legend
  std::vector<QString> LegendTexts;  // one per point, in drawing order
  TLegendLayout Legend;
  TRect PlotRect;  // after the legend took its height
  int Depth = 0;
  TPoint ProjectionCentre;
  TPieGeometry Pie;
  bool PieDrawn = false;               // false when the pie rectangle is too small
  std::vector<TSliceAngle> Angles;     // before the rotation
  std::vector<TSlicePolygons> Slices;  // empty when the pie is not drawn
  std::vector<TColor> FaceColors;
  std::vector<TColor> RimColors;
};

// The chart settings the layout depends on.
struct TChartSettings {
  int MarginLeft = 3;
  int MarginTop = 3;
  int MarginRight = 3;
  int MarginBottom = 3;
  int BorderWidth = 0;
  int Chart3DPercent = 35;
  TView3DOptions View;
};

// Lays out a chart of the given size whose points are already in drawing order.
// `legendMetrics` holds the measured item height and text widths; the legend
// is left out when `legend` is null or hidden.
TChartLayout ComputeChartLayout(int width, int height, const TChartSettings& settings,
                                const TPieSeries& series, const TCustomChartLegend* legend,
                                const TLegendMetrics& legendMetrics, double screenRatio);

class TChart : public QWidget {
  Q_OBJECT

 public:
  explicit TChart(QWidget* parent = nullptr);

  // The chart's only series (Series1) and its legend.
  TPieSeries& Series() { return series_; }
  const TPieSeries& Series() const { return series_; }
  TChartLegend& Legend() { return legend_; }
  const TChartLegend& Legend() const { return legend_; }

  // What the drive window calls: clear the series, add a point, set the
  // legend colour. Each repaints.
  void ClearSeries();
  int AddPoint(double value, const QString& label, TColor color);
  void SetLegendColor(TColor color);

  // Percent of depth, 1..100; anything else is refused with EChartException.
  int Chart3DPercent() const { return settings_.Chart3DPercent; }
  void SetChart3DPercent(int percent);

  const TChartSettings& Settings() const { return settings_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Pixel aspect of the control's screen (1 when the screen gives no size);
  // an override makes layouts independent of the display.
  double ScreenRatio() const;
  void SetScreenRatioOverride(std::optional<double> ratio);

  // The legend font and its metrics for the current items.
  QFont LegendFont() const;
  TLegendMetrics MeasureLegend(const std::vector<QString>& texts) const;

  // Prepares the series (sorting its points, as every drawing does) and lays
  // the chart out for the current size.
  TChartLayout ComputeLayout();

  // Draws the whole chart into the buffer image and returns it.
  const QImage& RenderImage();
  // The buffer as the last paint or RenderImage left it.
  const QImage& Buffer() const { return buffer_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Changed();

  TPieSeries series_;
  TChartLegend legend_;
  TChartSettings settings_;
  TColor color_ = clBtnFace;
  std::optional<double> ratioOverride_;
  QImage buffer_;
};

}  // namespace vorkan::chart
