// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartLegend.h"

#include "LocaleSeparators.h"
#include "MulDiv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vorkan::chart {
namespace {

// Fifteen significant decimal digits of |value| and the power of ten of the
// first one.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
};

TDecimal ToDecimal(double magnitude) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
  TDecimal d;
  const char* p = buffer;
  for (; *p != '\0' && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.Digits.push_back(*p);
  }
  if (*p == 'e') d.Exponent = std::atoi(p + 1);
  return d;
}

}  // namespace

QString FormatPercent(double percent) {
  if (!std::isfinite(percent)) percent = 0;
  const bool negative = percent < 0;
  TDecimal d = ToDecimal(std::fabs(percent));

  // Digits up to and including the hundredths, rounded half away from zero on
  // the decimal digits (so 1.005 gives 1.01, as it reads).
  const int kept = d.Exponent + 1 + 2;
  std::string digits;
  int exponent = d.Exponent;
  if (kept <= 0) {
    const bool roundsUp = kept == 0 && !d.Digits.empty() && d.Digits[0] >= '5';
    digits = roundsUp ? "1" : "";
    exponent = -2;
  } else if (kept >= static_cast<int>(d.Digits.size())) {
    digits = d.Digits;
  } else {
    digits = d.Digits.substr(0, static_cast<std::size_t>(kept));
    if (d.Digits[static_cast<std::size_t>(kept)] >= '5') {
      int i = kept - 1;
      for (; i >= 0; --i) {
        if (digits[static_cast<std::size_t>(i)] == '9') {
          digits[static_cast<std::size_t>(i)] = '0';
        } else {
          ++digits[static_cast<std::size_t>(i)];
          break;
        }
      }
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++exponent;
      }
    }
  }

  // Value = 0.digits × 10^(exponent + 1): split into integer and fraction.
  std::string integerPart;
  std::string fraction;
  const int integerDigits = exponent + 1;
  for (int pos = 0; pos < static_cast<int>(digits.size()); ++pos) {
    const char c = digits[static_cast<std::size_t>(pos)];
    if (pos < integerDigits) {
      integerPart.push_back(c);
    } else {
      fraction.push_back(c);
    }
  }
  for (int pos = static_cast<int>(digits.size()); pos < integerDigits; ++pos) integerPart.push_back('0');
  if (integerDigits < 0) fraction.insert(0, static_cast<std::size_t>(-integerDigits), '0');
  if (fraction.size() > 2) fraction.resize(2);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const std::size_t firstNonZero = integerPart.find_first_not_of('0');
  integerPart = firstNonZero == std::string::npos ? "0" : integerPart.substr(firstNonZero);

  std::string text;
  if (negative && !(integerPart == "0" && fraction.empty())) text = "-";
  text += integerPart;
  if (!fraction.empty()) text += vorkan::DecimalSeparator() + fraction;
  text += " %";
  return QString::fromStdString(text);
}

double SlicePercent(double value, double total) {
  if (total == 0) return 100.0;
  return 100.0 * value / total;
}

QString LegendItemText(const QString& label, double value, double total) {
  QString text = label + QLatin1Char(' ') + FormatPercent(SlicePercent(value, total));
  text.replace(QChar(13), QChar(' '));
  return text;
}

std::vector<QString> LegendItemTexts(const std::vector<PiePoint>& points) {
  const double total = AbsoluteTotal(points);
  std::vector<QString> texts;
  texts.reserve(points.size());
  for (const PiePoint& p : points) texts.push_back(LegendItemText(p.Label, p.Value, total));
  return texts;
}

LegendLayout LayoutBottomLegend(const TRect& plotRect, int chartWidth, int itemCount,
                                const LegendMetrics& metrics, const LegendSettings& settings) {
  LegendLayout layout;
  layout.PlotRectAfter = plotRect;
  layout.ItemHeight = metrics.ItemHeight;
  int widest = 0;
  for (int w : metrics.TextWidths) widest = std::max(widest, w);
  layout.TextColumnWidth = widest + 4;
  layout.ColorBoxWidth =
      RoundHalfEven(static_cast<long double>(layout.TextColumnWidth) * settings.ColorWidth * 0.01L);

  const int items = std::max(0, itemCount - settings.FirstValue);
  const int frameWidth = settings.FrameWidth;
  const int plotWidth = plotRect.Width();

  int bottom = plotRect.Bottom - settings.ShadowSize;
  if (settings.FrameVisible) bottom -= frameWidth + 1;

  int columns = 0;
  if (plotRect.Right > 8) {
    const int perColumn = layout.TextColumnWidth + layout.ColorBoxWidth + 8;
    columns = std::min(items, (plotWidth - 2 * frameWidth - 8) / perColumn);
  }
  int rows = 0;
  if (columns > 0) {
    rows = items / columns + (items % columns != 0 ? 1 : 0);
    rows = std::min(rows, settings.MaxNumRows);
  }
  layout.Columns = columns;
  layout.Rows = rows;

  const int top = bottom - 2 - rows * layout.ItemHeight;
  const int width = std::min(
      plotWidth, 2 * settings.ShadowSize + (layout.ColorBoxWidth + layout.TextColumnWidth + 4) * columns + 8);
  const int shift = RoundHalfEven(static_cast<long double>(settings.TopPos) * (chartWidth - width) * 0.01L);
  const int centreX = RectCentre(plotRect).X;
  layout.Rect = TRect{centreX - width / 2 + shift, top, centreX + width / 2 + shift, bottom};

  const int slotCount = columns * rows;
  if (slotCount <= 0) return layout;
  layout.Drawn = true;

  const int shown = std::min(items, slotCount);
  for (int n = 0; n < shown; ++n) {
    LegendItemPlace place;
    place.Index = settings.Inverted ? itemCount - 1 - n : settings.FirstValue + n;
    place.Text.X = layout.Rect.Left + layout.ColorBoxWidth + 8 +
                   (n % columns) * (layout.TextColumnWidth + layout.ColorBoxWidth + 4);
    place.Text.Y = top + 1 + (n / columns) * layout.ItemHeight;
    place.ColorBox = TRect{place.Text.X - 4 - layout.ColorBoxWidth, place.Text.Y + 2, place.Text.X - 4,
                           place.Text.Y + layout.ItemHeight - 2};
    layout.Items.push_back(place);
  }

  if (settings.ResizeChart) {
    TRect plot = plotRect;
    const int heightBefore = plot.Height();
    plot.Bottom = top;
    plot.Bottom -= settings.VertMargin != 0 ? settings.VertMargin : MulDiv(4, heightBefore, 100);
    layout.PlotRectAfter = FixInvertedRect(plot);
  }
  return layout;
}

void ChartLegendBase::SetColor(TColor color) {
  color_ = color;
  Changed();
}

QFont ChartLegendBase::Font(int logicalDpi) const {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, MulDiv(8, logicalDpi > 0 ? logicalDpi : 96, 72)));
  font.setBold(false);
  font.setItalic(false);
  return font;
}

LegendLayout ChartLegendBase::LayoutBottom(const TRect& plotRect, int chartWidth, int itemCount,
                                           const LegendMetrics& metrics) const {
  return LayoutBottomLegend(plotRect, chartWidth, itemCount, metrics, settings_);
}

void ChartLegendBase::Changed() {
  if (onChange_) onChange_();
}

}  // namespace vorkan::chart
