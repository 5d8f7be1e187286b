// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartColors.h"

namespace vorkan::chart {

TColor ToColorValue(const QColor& color) { return RgbColor(color.red(), color.green(), color.blue()); }

TColor DarkenColor(TColor color, int amount) {
  const QColor rgb = ResolveColor(color);
  auto darken = [amount](int channel) { return channel > amount ? channel - amount : 0; };
  return RgbColor(darken(rgb.red()), darken(rgb.green()), darken(rgb.blue()));
}

}  // namespace vorkan::chart
