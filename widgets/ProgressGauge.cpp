// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressGauge.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "GaugeAccessible.h"
#include "TRect.h"

namespace vorkan {

namespace {

// The pixels of (left, top, right, bottom), right and bottom exclusive.
QRect PixelRect(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

QRect PixelRect(const TRect& r) { return PixelRect(r.Left, r.Top, r.Right, r.Bottom); }

std::int64_t TruncToInt64(long double value) {
  constexpr long double limit = 9223372036854775807.0L;  // rounds to 2^63
  if (std::isnan(value)) return 0;
  if (value >= limit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);  // truncates toward zero
}

std::string RangeMessage(std::int64_t low, std::int64_t high) {
  return "Value must be between " + std::to_string(low) + " and " + std::to_string(high);
}

// Clears an image to black over (0, 0, width, height).
void ClearToBlack(QImage& image) { image.fill(QColor(0, 0, 0)); }

// Combines source into target with XOR, then leaves target in plain copy mode.
void XorInto(QImage& target, const QImage& source) {
  QPainter painter(&target);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.drawImage(0, 0, source);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
}

}  // namespace

std::int64_t PercentOfRange(std::int64_t x, std::int64_t z) {
  if (z == 0) return 0;
  const long double quotient = static_cast<long double>(x) * 100.0L / static_cast<long double>(z);
  return TruncToInt64(quotient);
}

std::int64_t ScaleByPercent(std::int64_t p, std::int64_t size) {
  // 0.01L is the nearest extended value to 0.01, which lies just below it.
  const long double fraction = static_cast<long double>(p) * 0.01L;
  return TruncToInt64(static_cast<long double>(size) * fraction);
}

void TBltBitmap::MakeLike(const QImage& templ) {
  QImage& self = *this;
  self = QImage(templ.width(), templ.height(), QImage::Format_RGB32);
  if (self.isNull()) return;
  QPainter painter(this);
  painter.fillRect(PixelRect(0, 0, width(), height()), ResolveColor(clWindowFrame));
}

ProgressGauge::ProgressGauge(QWidget* parent) : QWidget(parent) {
  InstallGaugeAccessible();
  setAttribute(Qt::WA_OpaquePaintEvent);
  FMinValue = 0;
  FMaxValue = 100;
  FProgress = 0;
  FKind = gkHorizontalBar;
  FShowText = true;
  FBorderStyle = bsSingle;
  FForeColor = clBlack;
  FBackColor = clWhite;
  resize(100, 100);
}

TColor ProgressGauge::Color() const {
  if (!FParentColor) return FColor;
  const QColor c = palette().color(QPalette::Window);
  return RgbColor(c.red(), c.green(), c.blue());
}

void ProgressGauge::SetMinValue(std::int32_t v) {
  if (v == FMinValue) return;
  if (v > FMaxValue && !FLoading)
    throw EInvalidOperation(RangeMessage(-2147483647, std::int64_t(FMaxValue) - 1));
  FMinValue = v;
  if (FProgress < v) {
    FProgress = v;
    ValueChanged();
  }
  RepaintNow();
}

void ProgressGauge::SetMaxValue(std::int32_t v) {
  if (v == FMaxValue) return;
  if (v < FMinValue && !FLoading)
    throw EInvalidOperation(RangeMessage(std::int64_t(FMinValue) + 1, 2147483647));
  FMaxValue = v;
  if (FProgress > v) {
    FProgress = v;
    ValueChanged();
  }
  RepaintNow();
}

void ProgressGauge::SetProgress(std::int32_t v) {
  if (v < FMinValue)
    v = FMinValue;
  else if (v > FMaxValue)
    v = FMaxValue;
  if (v == FProgress) return;
  const std::int32_t before = PercentComplete();
  FProgress = v;
  ValueChanged();
  if (PercentComplete() != before) RepaintNow();
}

void ProgressGauge::SetKind(GaugeKind kind) {
  if (kind == FKind) return;
  FKind = kind;
  RepaintNow();
}

void ProgressGauge::SetShowText(bool show) {
  if (show == FShowText) return;
  FShowText = show;
  RepaintNow();
}

void ProgressGauge::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  RepaintNow();
}

void ProgressGauge::SetForeColor(TColor color) {
  if (color == FForeColor) return;
  FForeColor = color;
  RepaintNow();
}

void ProgressGauge::SetBackColor(TColor color) {
  if (color == FBackColor) return;
  FBackColor = color;
  RepaintNow();
}

void ProgressGauge::SetColor(TColor color) {
  if (!FParentColor && color == FColor) return;
  FColor = color;
  FParentColor = false;
  RepaintNow();
}

std::int32_t ProgressGauge::PercentComplete() const {
  // The differences are taken in 64 bits: a range wider than 2^31 (say
  // -2000000000..2000000000) must not wrap round.
  const std::int64_t percent =
      PercentOfRange(std::int64_t(FProgress) - FMinValue, std::int64_t(FMaxValue) - FMinValue);
  // Only an inverted range accepted while loading can go beyond 0..100.
  if (percent > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (percent < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return std::int32_t(percent);
}

void ProgressGauge::BeginLoading() { FLoading = true; }

void ProgressGauge::EndLoading() {
  FLoading = false;
  update();
}

void ProgressGauge::RepaintNow() {
  ++FRepaintCount;
  // Paints at once when visible; does nothing otherwise.
  repaint();
}

void ProgressGauge::ValueChanged() {
  // Nothing to build while no assistive tool listens, as at most reports.
  if (!QAccessible::isActive()) return;
  QAccessibleValueChangeEvent event(this, FProgress);
  QAccessible::updateAccessibility(&event);
}

void ProgressGauge::paintEvent(QPaintEvent*) {
  ++FPaintCount;
  const QImage picture = RenderImage();
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, picture);
}

namespace {

struct FigureColors {
  QColor fore;
  QColor back;
  QColor color;
};

void PaintBar(QImage& image, const TRect& r, GaugeKind kind, std::int32_t percent,
              const FigureColors& colors) {
  // One more than the width and height of r.
  const int w = r.Right - r.Left + 1;
  const int h = r.Bottom - r.Top + 1;
  QPainter painter(&image);
  painter.fillRect(PixelRect(r), colors.back);
  if (kind == gkHorizontalBar) {
    std::int64_t f = ScaleByPercent(percent, w);
    if (f > w) f = w;
    // f and h are the right and bottom edges; the fill is clipped to the
    // image, so 100 % reaches the last column.
    if (f >= 1) painter.fillRect(PixelRect(r.Left, r.Top, int(f), h), colors.fore);
  } else {
    // Grows upward from the bottom edge of r and fills all of r at 100 %.
    const int inner = r.Bottom - r.Top;
    std::int64_t f = ScaleByPercent(percent, h);
    if (f > inner) f = inner;
    if (f >= 1) painter.fillRect(PixelRect(r.Left, r.Bottom - int(f), w, r.Bottom), colors.fore);
  }
}

void PaintPie(QImage& image, const TRect& r, std::int32_t percent, const FigureColors& colors) {
  QPainter painter(&image);
  painter.fillRect(PixelRect(r), colors.color);
  // Outlines cover their rectangle's right and bottom edges, so the figure
  // rectangle is one pixel smaller than r each way.
  const QRect figure(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1);
  if (figure.width() < 0 || figure.height() < 0) return;
  painter.setPen(QPen(colors.fore, 1));
  painter.setBrush(colors.back);
  painter.drawEllipse(figure);
  if (percent > 0) {
    const int p = percent > 100 ? 100 : percent;
    painter.setBrush(colors.fore);
    // From the top centre, clockwise.
    painter.drawPie(figure, 90 * 16, -(p * 360 * 16) / 100);
  }
}

void PaintNeedle(QImage& image, const TRect& r, std::int32_t percent, const FigureColors& colors) {
  QPainter painter(&image);
  painter.fillRect(PixelRect(r), colors.color);
  const int width = r.Right - r.Left - 1;
  const int height = r.Bottom - r.Top - 1;
  if (width < 0 || height < 0) return;
  // The upper half of an ellipse whose centre lies on the bottom row of r.
  const QRect ellipse(r.Left, r.Top, width, 2 * height);
  painter.setPen(QPen(colors.fore, 1));
  painter.setBrush(colors.back);
  painter.drawChord(ellipse, 0, 180 * 16);
  if (percent > 0) {
    const int p = percent > 100 ? 100 : percent;
    const double angle = std::numbers::pi * (1.0 - p / 100.0);
    const double cx = r.Left + width / 2.0;
    const double cy = r.Top + height;
    const QPointF tip(cx + width / 2.0 * std::cos(angle), cy - height * std::sin(angle));
    painter.drawLine(QPointF(cx, cy), tip);
  }
}

// Writes the percentage into image: white letters on a black overlay,
// combined with XOR, so each letter shows the inverse of what lies under it.
void PaintText(QImage& image, const TRect& r, std::int32_t percent, const QFont& gaugeFont) {
  TBltBitmap overlay;
  overlay.MakeLike(image);
  ClearToBlack(overlay);
  const QString text = QString::number(percent) + QLatin1Char('%');
  {
    QPainter painter(&overlay);
    // Plain one-bit letters: smoothed edges would XOR into stray colours.
    QFont font = gaugeFont;
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    painter.setBrush(Qt::NoBrush);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics = painter.fontMetrics();
    // Centred on the size of r, without adding its left and top.
    const int x = (r.Right - r.Left + 1 - metrics.horizontalAdvance(text)) / 2;
    const int y = (r.Bottom - r.Top + 1 - metrics.height()) / 2;
    painter.setClipRect(PixelRect(r));
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
  }
  XorInto(image, overlay);
}

}  // namespace

QImage ProgressGauge::RenderImage() const {
  QImage picture(width(), height(), QImage::Format_RGB32);
  if (picture.isNull()) return picture;
  ClearToBlack(picture);

  TRect r{0, 0, width(), height()};
  if (FBorderStyle == bsSingle) r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};

  const std::int32_t percent = PercentComplete();
  const FigureColors colors{ResolveColor(FForeColor), ResolveColor(FBackColor), ResolveColor(Color())};
  {
    TBltBitmap figure;
    figure.MakeLike(picture);
    ClearToBlack(figure);
    switch (FKind) {
      case gkText: {
        QPainter painter(&figure);
        painter.fillRect(PixelRect(r), colors.back);
        break;
      }
      case gkHorizontalBar:
      case gkVerticalBar: PaintBar(figure, r, FKind, percent, colors); break;
      case gkPie: PaintPie(figure, r, percent, colors); break;
      case gkNeedle: PaintNeedle(figure, r, percent, colors); break;
    }
    // The picture is black, so it now equals the figure.
    XorInto(picture, figure);
  }
  if (FShowText) PaintText(picture, r, percent, font());
  return picture;
}

void ConfigureProgressGauge(ProgressGauge& gauge) {
  gauge.SetKind(gkHorizontalBar);
  gauge.SetShowText(true);
  gauge.SetBorderStyle(bsNone);
  gauge.SetForeColor(clMenuHighlight);
  gauge.SetBackColor(clBtnFace);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  font.setBold(true);
  gauge.setFont(font);
  gauge.resize(358, 18);
  // As a loaded description sets them, so whatever range the gauge had
  // before cannot refuse the new one.
  gauge.BeginLoading();
  gauge.SetMinValue(0);
  gauge.SetMaxValue(100);
  gauge.SetProgress(100);
  gauge.EndLoading();
}

}  // namespace vorkan
