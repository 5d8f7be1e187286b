// SPDX-License-Identifier: GPL-3.0-or-later
// Colour values of the drawn controls: 32 bits, either a plain RGB value
// written 0x00BBGGRR, or a system colour written 0xFF000000 plus the
// system-colour index. System colours are resolved through the application
// palette whenever something is drawn, so they follow the desktop theme.
#pragma once

#include <QColor>

#include <cstdint>

namespace vorkan {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;

// System colours (0xFF000000 + index).
inline constexpr TColor clWindowFrame = 0xFF000006;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clBtnHighlight = 0xFF000014;
inline constexpr TColor clMenuHighlight = 0xFF00001D;

// True for 0xFF000000 + index.
constexpr bool IsSystemColor(TColor color) { return (color & 0xFF000000u) == 0xFF000000u; }

// 0x00BBGGRR from red, green and blue.
constexpr TColor RgbColor(int red, int green, int blue) {
  return TColor(red & 0xFF) | (TColor(green & 0xFF) << 8) | (TColor(blue & 0xFF) << 16);
}

// The RGB a colour value stands for now. Plain values use their low 24 bits;
// system colours come from the application palette (active group); an index
// that names no system colour gives black.
QColor ResolveColor(TColor color);

}  // namespace vorkan
