// SPDX-License-Identifier: GPL-3.0-or-later
// Colour helpers of the chart on top of the shared colour values.
#pragma once

#include "ColorValue.h"

#include <QColor>

namespace vorkan::chart {

inline constexpr TColor clRed = 0x000000FF;
// The no-colour value: a legend item with it gets no colour box.
inline constexpr TColor clNone = 0x1FFFFFFF;

// 0x00BBGGRR of an RGB colour.
TColor ToColorValue(const QColor& color);

// Resolves a system colour to RGB, then takes `amount` off each of red, green
// and blue, stopping at 0.
TColor DarkenColor(TColor color, int amount);

}  // namespace vorkan::chart
