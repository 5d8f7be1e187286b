// SPDX-License-Identifier: GPL-3.0-or-later
// The pie series of the chart: its points (value, label, colour), the order in
// which they are drawn and the settings of the slices.
#pragma once

#include "ChartColors.h"

#include <QString>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorkan::chart {

// Raised by property setters given a value out of range.
class EChartException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum ListOrder { loNone, loAscending, loDescending };

// X marking a grouped "other" slice left over from an earlier drawing.
inline constexpr double kOtherSliceX = 2147483647.0;

struct PiePoint {
  double X = 0;
  double Value = 0;
  QString Label;
  TColor Color = clNone;
  int Sequence = 0;  // order of addition
};

// Sorts the points by value (descending or ascending) with the chart's
// quicksort; equal values are swapped, so two equal values end in the
// opposite order of their addition. loNone leaves them as they are.
void SortPiePoints(std::vector<PiePoint>& points, ListOrder order);

// Sorts, drops the first left-over "other" slice and renumbers X as 0, 1, 2…
void PreparePiePoints(std::vector<PiePoint>& points, ListOrder order);

// The sum of |value| over all points.
double AbsoluteTotal(const std::vector<PiePoint>& points);

class PieSeries {
 public:
  PieSeries();

  // Removes every point.
  void Clear();
  // Appends a point with X = the current count; returns its index.
  int Add(double value, const QString& label, TColor color);

  int Count() const { return static_cast<int>(points_.size()); }
  const std::vector<PiePoint>& Points() const { return points_; }
  const PiePoint& Point(int index) const { return points_.at(static_cast<std::size_t>(index)); }
  // The stored values in their current order.
  std::vector<double> Values() const;
  double TotalAbs() const { return AbsoluteTotal(points_); }

  // Sorts the points in place and renumbers them, as each drawing does first.
  // The sort always starts from the order of addition, so repeated drawings
  // agree: two equal values are drawn second-added first every time, instead
  // of trading places at each repaint.
  void PrepareForDrawing();

  // Degrees; below 0 is refused, 360 and more is stored modulo 360.
  int RotationAngle() const { return rotationAngle_; }
  void SetRotationAngle(int degrees);

  bool Circled() const { return circled_; }
  bool Dark3D() const { return dark3D_; }
  ListOrder Order() const { return order_; }

  double Multiplier() const { return multiplier_; }

  TColor SeriesColor() const { return seriesColor_; }
  QString OtherSliceText() const { return otherSliceText_; }

  // Called after every change that needs a repaint.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 private:
  void Changed();

  std::vector<PiePoint> points_;
  int rotationAngle_ = 25;
  bool circled_ = true;
  bool dark3D_ = true;
  ListOrder order_ = loDescending;
  double multiplier_ = 1.0;
  TColor seriesColor_ = clRed;
  QString otherSliceText_ = QStringLiteral("Other");
  std::function<void()> onChange_;
  int nextSequence_ = 0;
};

}  // namespace vorkan::chart
