// SPDX-License-Identifier: GPL-3.0-or-later
// The geometry of the 3D pie chart as plain functions: plot rectangle, slice
// angles, pie rectangle, depth, projection and the point lists of each slice.
// Nothing here paints; the chart widget draws what these functions return.
#pragma once

#include <numbers>
#include <vector>

#include "TRect.h"

namespace vorkan::chart {

// Degrees to radians for the angles of the series and the 3D view.
inline constexpr double kDegToRad = std::numbers::pi / 180.0;

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfEven(long double value);

// ((left + right) div 2, (top + bottom) div 2).
TPoint RectCentre(const TRect& rect);

// The chart area moved in by the margins (percent: width for left and right,
// height for top and bottom) plus the border width; an inverted result is made
// 1 pixel wide or high.
TRect PlotRect(const TRect& chartArea, int marginLeft, int marginTop, int marginRight, int marginBottom,
               int borderWidth = 0);

// Gives an inverted rectangle a width or height of 1.
TRect FixInvertedRect(TRect rect);

// Start, middle and end of one slice in radians, before the rotation.
struct SliceAngle {
  double Start = 0;
  double Middle = 0;
  double End = 0;
};

// One record per value. `grouped` marks values folded into an "other" slice
// (they add nothing to the running sum); it may be empty.
std::vector<SliceAngle> SliceAngles(const std::vector<double>& values, const std::vector<bool>& grouped = {});

// The pie's rectangle, centre and radii.
struct TPieGeometry {
  TRect Rect;
  TPoint Centre;
  int XRadius = 0;
  int YRadius = 0;
};

// Pixel aspect of the screen: (pixels wide / pixels high) / (mm wide / mm high),
// the millimetre ratio left out when either figure is 0; 1 when the pixel
// figures are unknown.
double ScreenRatio(int widthPixels, int heightPixels, double widthMm, double heightMm);

// The pie rectangle within the plot rectangle; `circled` keeps it round on a
// screen of the given pixel ratio.
TPieGeometry PieRect(const TRect& plotRect, bool circled, double screenRatio);

// Smallest pie rectangle side that still draws slices.
inline constexpr int kMinPieSide = 5;
bool PieIsDrawable(const TPieGeometry& pie);

// Thickness of the series along the depth axis:
// round(plot width × (percent × 0.001) × (orthogonal ? 1 : 2)).
int SeriesDepth(int plotWidth, int chart3DPercent, bool orthogonal);

// Viewing angles in degrees; the defaults are the drive window's view: from
// above at 45 degrees, no tilt, no perspective.
struct View3DOptions {
  int Elevation = 315;
  int Rotation = 360;
  int Tilt = 0;
  int Perspective = 0;
  bool Orthogonal = false;
  int Zoom = 100;
  int HorizOffset = 0;
  int VertOffset = 0;
};

// Projects 3D points (pixels; depth 0 front) to the screen around the centre of
// the plot rectangle and the middle of the series depth. Perspective is not
// applied.
class TProjection {
 public:
  TProjection(const View3DOptions& options, TPoint centre, int depth);

  TPoint Project3D(int x, int y, int z) const;

  double Kxx() const { return kxx_; }
  double Kxy() const { return kxy_; }
  double Kxz() const { return kxz_; }
  double Kyx() const { return kyx_; }
  double Kyy() const { return kyy_; }
  double Kyz() const { return kyz_; }
  TPoint Centre() const { return centre_; }
  int DepthCentre() const { return zc_; }

 private:
  TPoint centre_;
  int zc_ = 0;
  int horizOffset_ = 0;
  int vertOffset_ = 0;
  double zoom_ = 1;
  double kxx_ = 1, kxy_ = 0, kxz_ = 0, kyx_ = 0, kyy_ = 1, kyz_ = 0;
};

// Arc points of a slice: min(30, round(sweep in degrees / 10)) + 2.
int SlicePointCount(double start, double end);

// What one slice draws: the face on the back plane (B0, B1 … BN) and up to two
// rim bands (Bp … Bq, Fq … Fp) where the arc faces the viewer.
struct SlicePolygons {
  int PointCount = 0;
  std::vector<TPoint> Back;   // B1 … BN
  std::vector<TPoint> Front;  // F1 … FN
  std::vector<TPoint> Face;
  std::vector<std::vector<TPoint>> RimBands;
};

// Angles in radians including the rotation.
SlicePolygons DrawSlice3D(const TProjection& projection, TPoint centre, int xRadius, int yRadius, int depth,
                          double start, double end);

}  // namespace vorkan::chart
