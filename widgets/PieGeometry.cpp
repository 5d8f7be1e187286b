// SPDX-License-Identifier: GPL-3.0-or-later
#include "PieGeometry.h"

#include "MulDiv.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorkan::chart {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr long double kPerMille = 0.001L;
constexpr double kMinCoefficient = 1e-5;

// One step of the pie rectangle: even sides, at least 4 pixels, then the
// rectangle rebuilt around its centre from the radii.
void NormalizePie(TPieGeometry& pie) {
  TRect& r = pie.Rect;
  if (r.Width() % 2 != 0) --r.Right;
  if (r.Height() % 2 != 0) --r.Bottom;
  if (r.Width() < 4) r.Right = r.Left + 4;
  if (r.Height() < 4) r.Bottom = r.Top + 4;
  pie.Centre = RectCentre(r);
  pie.XRadius = r.Width() / 2;
  pie.YRadius = r.Height() / 2;
  r = TRect{pie.Centre.X - pie.XRadius, pie.Centre.Y - pie.YRadius, pie.Centre.X + pie.XRadius,
            pie.Centre.Y + pie.YRadius};
}

}  // namespace

int RoundHalfEven(long double value) {
  // The default floating-point environment rounds to nearest, ties to even.
  return static_cast<int>(std::nearbyintl(value));
}

TPoint RectCentre(const TRect& rect) {
  return TPoint{(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
}

TRect FixInvertedRect(TRect rect) {
  if (rect.Right < rect.Left) rect.Right = rect.Left + 1;
  if (rect.Bottom < rect.Top) rect.Bottom = rect.Top + 1;
  return rect;
}

TRect PlotRect(const TRect& chartArea, int marginLeft, int marginTop, int marginRight, int marginBottom,
               int borderWidth) {
  const int width = chartArea.Width();
  const int height = chartArea.Height();
  TRect r;
  r.Left = chartArea.Left + MulDiv(marginLeft, width, 100) + borderWidth;
  r.Right = chartArea.Right - MulDiv(marginRight, width, 100) - borderWidth;
  r.Top = chartArea.Top + MulDiv(marginTop, height, 100) + borderWidth;
  r.Bottom = chartArea.Bottom - MulDiv(marginBottom, height, 100) - borderWidth;
  return FixInvertedRect(r);
}

std::vector<SliceAngle> SliceAngles(const std::vector<double>& values, const std::vector<bool>& grouped) {
  double total = 0;
  for (double v : values) total += std::fabs(v);
  const double factor = total == 0 ? 0.0 : kTwoPi / total;

  std::vector<SliceAngle> angles(values.size());
  double sum = 0;
  double previousEnd = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    SliceAngle& a = angles[i];
    a.Start = previousEnd;
    if (total == 0) {
      a.End = kTwoPi;
    } else {
      const bool isGrouped = i < grouped.size() && grouped[i];
      if (!isGrouped) sum += std::fabs(values[i]);
      a.End = sum == total ? kTwoPi : sum * factor;
    }
    if (a.End - a.Start > kTwoPi) a.End = a.Start + kTwoPi;
    a.Middle = (a.Start + a.End) * 0.5;
    previousEnd = a.End;
  }
  return angles;
}

double ScreenRatio(int widthPixels, int heightPixels, double widthMm, double heightMm) {
  if (widthPixels <= 0 || heightPixels <= 0) return 1.0;
  double ratio = static_cast<double>(widthPixels) / heightPixels;
  if (widthMm > 0 && heightMm > 0) ratio /= widthMm / heightMm;
  if (!std::isfinite(ratio) || ratio <= 0) return 1.0;
  return ratio;
}

TPieGeometry PieRect(const TRect& plotRect, bool circled, double screenRatio) {
  TPieGeometry pie;
  pie.Rect = plotRect;
  NormalizePie(pie);
  if (circled) {
    const double ratio = (std::isfinite(screenRatio) && screenRatio > 0) ? screenRatio : 1.0;
    const int yAsX = RoundHalfEven(static_cast<long double>(pie.YRadius) * ratio);
    if (pie.XRadius > yAsX) {
      const int d = pie.XRadius - yAsX;
      pie.Rect.Left += d;
      pie.Rect.Right -= d;
    } else {
      const int d = pie.YRadius - RoundHalfEven(static_cast<long double>(pie.XRadius) / ratio);
      pie.Rect.Top += d;
      pie.Rect.Bottom -= d;
    }
    NormalizePie(pie);
  }
  return pie;
}

bool PieIsDrawable(const TPieGeometry& pie) {
  return pie.Rect.Width() >= kMinPieSide && pie.Rect.Height() >= kMinPieSide;
}

int SeriesDepth(int plotWidth, int chart3DPercent, bool orthogonal) {
  const long double factor = orthogonal ? 1.0L : 2.0L;
  return RoundHalfEven(plotWidth * (chart3DPercent * kPerMille) * factor);
}

TProjection::TProjection(const View3DOptions& options, TPoint centre, int depth)
    : centre_(centre),
      zc_(depth / 2),
      horizOffset_(options.HorizOffset),
      vertOffset_(options.VertOffset),
      zoom_(options.Zoom * 0.01) {
  const double r = options.Rotation * kDegToRad;
  const double e = options.Elevation * kDegToRad;
  const double t = options.Tilt * kDegToRad;
  const double sr = std::sin(r), cr = std::cos(r);
  const double se = std::sin(e), ce = std::cos(e);
  const double st = std::sin(t), ct = std::cos(t);
  kxx_ = std::max(sr * se * st + cr * ct, kMinCoefficient);
  kxy_ = ce * st;
  kxz_ = cr * se * st - ct * sr;
  kyx_ = ct * sr * se - cr * st;
  kyy_ = std::max(ce * ct, kMinCoefficient);
  kyz_ = cr * ct * se + sr * st;
}

TPoint TProjection::Project3D(int x, int y, int z) const {
  const double dx = x - centre_.X;
  const double dy = y - centre_.Y;
  const double dz = z - zc_;
  const double sx = (dx * kxx_ + dy * kxy_ + dz * kxz_) * zoom_;
  const double sy = (dx * kyx_ + dy * kyy_ + dz * kyz_) * zoom_;
  return TPoint{centre_.X + horizOffset_ + RoundHalfEven(sx), centre_.Y + vertOffset_ + RoundHalfEven(sy)};
}

int SlicePointCount(double start, double end) {
  const int steps = RoundHalfEven(std::fabs(end - start) * 180.0 / std::numbers::pi / 10.0);
  return std::min(30, steps) + 2;
}

SlicePolygons DrawSlice3D(const TProjection& projection, TPoint centre, int xRadius, int yRadius, int depth,
                          double start, double end) {
  SlicePolygons out;
  const int n = SlicePointCount(start, end);
  out.PointCount = n;
  const long double step = (static_cast<long double>(end) - start) / (n - 1);
  long double angle = start;
  for (int k = 1; k <= n; ++k) {
    const int x = centre.X + RoundHalfEven(xRadius * std::cos(angle));
    const int y = centre.Y - RoundHalfEven(yRadius * std::sin(angle));
    out.Back.push_back(projection.Project3D(x, y, depth));
    out.Front.push_back(projection.Project3D(x, y, 0));
    angle += step;
  }

  out.Face.push_back(projection.Project3D(centre.X, centre.Y, depth));
  out.Face.insert(out.Face.end(), out.Back.begin(), out.Back.end());

  // 1-based views of the arc points, as the rim rules count them.
  auto sx = [&](int k) { return out.Back[static_cast<std::size_t>(k - 1)].X; };
  auto band = [&](int p, int q) {
    std::vector<TPoint> polygon;
    for (int k = p; k <= q; ++k) polygon.push_back(out.Back[static_cast<std::size_t>(k - 1)]);
    for (int k = q; k >= p; --k) polygon.push_back(out.Front[static_cast<std::size_t>(k - 1)]);
    out.RimBands.push_back(std::move(polygon));
  };

  // The rim shows where the projected x grows along the arc: the lower half
  // of the ellipse, which faces the viewer.
  int first = 0;
  for (int k = 2; k <= n; ++k) {
    if (sx(k) > sx(k - 1)) {
      first = k;
      break;
    }
  }
  if (first == 0) return out;

  const int s = first - 1;
  int e = 0;
  for (int j = first + 1; j <= n - 1; ++j) {
    if (sx(j + 1) < sx(j)) {
      e = j;
      break;
    }
  }
  if (e == 0 && sx(n) >= sx(n - 1)) e = n;
  if (e != 0) band(s, e);

  if (e != n && sx(n) > sx(n - 1)) {
    int j = n - 1;
    while (j > 1 && sx(j) > sx(j - 1)) --j;
    if (j > 1) band(j, n);
  }
  return out;
}

}  // namespace vorkan::chart
