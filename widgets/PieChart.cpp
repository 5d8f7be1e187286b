// SPDX-License-Identifier: GPL-3.0-or-later
#include "PieChart.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ChartAccessible.h"

namespace vorkan::chart {
namespace {

constexpr int kDarkAmount = 32;

std::string FormatRangeMessage(const char* format, int low, int high) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, low, high);
  return buffer;
}

QPolygon ToPolygon(const std::vector<TPoint>& points) {
  QPolygon polygon;
  polygon.reserve(static_cast<int>(points.size()));
  for (const TPoint& p : points) polygon << QPoint(p.X, p.Y);
  return polygon;
}

// A 1-pixel frame inside `r` (Right and Bottom just outside): top and left in
// one colour, bottom and right in the other.
void DrawFrame(QPainter& painter, const TRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  const int right = r.Right - 1;
  const int bottom = r.Bottom - 1;
  painter.setPen(QPen(topLeft, 1));
  painter.drawLine(r.Left, bottom, r.Left, r.Top);
  painter.drawLine(r.Left, r.Top, right, r.Top);
  painter.setPen(QPen(bottomRight, 1));
  painter.drawLine(right, r.Top, right, bottom);
  painter.drawLine(right, bottom, r.Left, bottom);
}

// GDI-style rectangle: the outline covers Left..Right-1 and Top..Bottom-1.
QRect OutlineRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1); }

}  // namespace

ChartLayout ComputeChartLayout(int width, int height, const ChartSettings& settings, const PieSeries& series,
                               const ChartLegendBase* legend, const LegendMetrics& legendMetrics,
                               double screenRatio) {
  ChartLayout layout;
  layout.ChartArea = TRect{0, 0, width, height};
  layout.MarginPlotRect = PlotRect(layout.ChartArea, settings.MarginLeft, settings.MarginTop,
                                   settings.MarginRight, settings.MarginBottom, settings.BorderWidth);
  layout.PlotRect = layout.MarginPlotRect;

  const std::vector<PiePoint>& points = series.Points();
  layout.LegendTexts = LegendItemTexts(points);
  if (legend != nullptr && legend->Visible() && legend->Alignment() == laBottom) {
    layout.Legend = legend->LayoutBottom(layout.PlotRect, width, series.Count(), legendMetrics);
    if (layout.Legend.Drawn) layout.PlotRect = layout.Legend.PlotRectAfter;
  }

  layout.Depth = SeriesDepth(layout.PlotRect.Width(), settings.DepthPercent, settings.View.Orthogonal);
  layout.ProjectionCentre = RectCentre(layout.PlotRect);
  const TProjection projection(settings.View, layout.ProjectionCentre, layout.Depth);

  layout.Pie = PieRect(layout.PlotRect, series.Circled(), screenRatio);
  layout.Angles = SliceAngles(series.Values());
  layout.PieDrawn = PieIsDrawable(layout.Pie);
  if (!layout.PieDrawn) return layout;

  const double rotation = series.RotationAngle() * kDegToRad;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const SliceAngle& a = layout.Angles[i];
    layout.Slices.push_back(DrawSlice3D(projection, layout.Pie.Centre, layout.Pie.XRadius, layout.Pie.YRadius,
                                        layout.Depth, a.Start + rotation, a.End + rotation));
    const TColor face = ToColorValue(ResolveColor(points[i].Color));
    layout.FaceColors.push_back(face);
    layout.RimColors.push_back(series.Dark3D() ? DarkenColor(face, kDarkAmount) : face);
  }
  return layout;
}

PieChart::PieChart(QWidget* parent) : QWidget(parent) {
  InstallChartAccessible();
  setAttribute(Qt::WA_OpaquePaintEvent);
  series_.SetOnChange([this] { Changed(); });
  legend_.SetOnChange([this] { Changed(); });
}

void PieChart::ClearSeries() { series_.Clear(); }

int PieChart::AddPoint(double value, const QString& label, TColor color) {
  return series_.Add(value, label, color);
}

void PieChart::SetLegendColor(TColor color) { legend_.SetColor(color); }

void PieChart::SetDepthPercent(int percent) {
  if (percent < 1 || percent > 100) {
    throw EChartException(FormatRangeMessage("3D effect percent must be between %d and %d", 1, 100));
  }
  if (percent == settings_.DepthPercent) return;
  settings_.DepthPercent = percent;
  Changed();
}

void PieChart::SetColor(TColor color) {
  color_ = color;
  Changed();
}

double PieChart::ScreenRatio() const {
  if (ratioOverride_) return *ratioOverride_;
  const QScreen* s = screen();
  if (s == nullptr) return 1.0;
  const QSize pixels = s->size();
  const QSizeF mm = s->physicalSize();
  return chart::ScreenRatio(pixels.width(), pixels.height(), mm.width(), mm.height());
}

void PieChart::SetScreenRatioOverride(std::optional<double> ratio) {
  ratioOverride_ = ratio;
  Changed();
}

QFont PieChart::LegendFont() const { return legend_.Font(logicalDpiY()); }

LegendMetrics PieChart::MeasureLegend(const std::vector<QString>& texts) const {
  const QFontMetrics metrics(LegendFont());
  LegendMetrics m;
  // The height of a one-line text extent ("W"): ascent plus descent.
  m.ItemHeight = metrics.height();
  for (const QString& text : texts) m.TextWidths.push_back(metrics.horizontalAdvance(text));
  return m;
}

ChartLayout PieChart::ComputeLayout() {
  series_.PrepareForDrawing();
  const LegendMetrics metrics = MeasureLegend(LegendItemTexts(series_.Points()));
  return ComputeChartLayout(width(), height(), settings_, series_, &legend_, metrics, ScreenRatio());
}

const QImage& PieChart::RenderImage() {
  const QSize size(std::max(1, width()), std::max(1, height()));
  if (buffer_.size() != size) buffer_ = QImage(size, QImage::Format_RGB32);

  const ChartLayout layout = ComputeLayout();
  QPainter painter(&buffer_);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Background and the two bevels: lowered outside, raised inside.
  painter.fillRect(QRect(QPoint(0, 0), size), ResolveColor(color_));
  const QColor shadow = ResolveColor(clBtnShadow);
  const QColor highlight = ResolveColor(clBtnHighlight);
  const TRect outer{0, 0, size.width(), size.height()};
  DrawFrame(painter, outer, shadow, highlight);
  DrawFrame(painter, TRect{1, 1, outer.Right - 1, outer.Bottom - 1}, highlight, shadow);

  // Legend, drawn flat.
  const std::vector<PiePoint>& points = series_.Points();
  if (layout.Legend.Drawn) {
    const LegendLayout& lg = layout.Legend;
    const TColor legendColor = legend_.Color();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ResolveColor(legendColor));
    painter.drawRect(QRect(lg.Rect.Left, lg.Rect.Top, lg.Rect.Width(), lg.Rect.Height()));

    const QColor boxPenColor = legendColor == clBlack ? Qt::white : Qt::black;
    const QFont font = LegendFont();
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const LegendItemPlace& item : lg.Items) {
      const PiePoint& point = points[static_cast<std::size_t>(item.Index)];
      painter.setPen(QPen(Qt::black));
      painter.drawText(QPoint(item.Text.X, item.Text.Y + metrics.ascent()),
                       layout.LegendTexts[static_cast<std::size_t>(item.Index)]);
      if (point.Color == clNone) continue;
      painter.setPen(QPen(boxPenColor, 1));
      painter.setBrush(ResolveColor(point.Color));
      painter.drawRect(OutlineRect(item.ColorBox));
      if (point.Color == legendColor) {
        painter.setPen(QPen(point.Color == clBlack ? Qt::white : boxPenColor, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(OutlineRect(item.ColorBox));
      }
    }
  }

  // Slices in index order, each face then its rim.
  const QPen piePen(Qt::black, 1, Qt::SolidLine);
  for (std::size_t i = 0; i < layout.Slices.size(); ++i) {
    const SlicePolygons& slice = layout.Slices[i];
    painter.setPen(piePen);
    painter.setBrush(ResolveColor(layout.FaceColors[i]));
    painter.drawPolygon(ToPolygon(slice.Face), Qt::OddEvenFill);
    painter.setBrush(ResolveColor(layout.RimColors[i]));
    for (const std::vector<TPoint>& band : slice.RimBands) {
      painter.drawPolygon(ToPolygon(band), Qt::OddEvenFill);
    }
  }
  painter.end();
  return buffer_;
}

QSize PieChart::sizeHint() const { return QSize(289, 137); }

void PieChart::paintEvent(QPaintEvent* event) {
  RenderImage();
  QPainter painter(this);
  painter.drawImage(event->rect().topLeft(), buffer_, event->rect());
}

void PieChart::Changed() {
  update();
  // The accessible name tells the shares, which may have changed.
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

}  // namespace vorkan::chart
