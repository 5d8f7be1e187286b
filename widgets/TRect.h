// SPDX-License-Identifier: GPL-3.0-or-later
// A rectangle by its edges, as the drawn controls use it: Left and Top inside,
// Right and Bottom just outside.
#pragma once

namespace vorkan {

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

}  // namespace vorkan
