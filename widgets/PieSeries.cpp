// SPDX-License-Identifier: GPL-3.0-or-later
#include "PieSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace vorkan::chart {
namespace {

int Sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

void QuickSort(std::vector<PiePoint>& points, int first, int last, bool descending) {
  auto compare = [&](int a, int b) {
    const int c = Sign(points[static_cast<std::size_t>(a)].Value - points[static_cast<std::size_t>(b)].Value);
    return descending ? -c : c;
  };
  int left = first;
  int right = last;
  int pivot = (first + last) / 2;
  do {
    while (compare(left, pivot) < 0) ++left;
    while (compare(pivot, right) < 0) --right;
    if (left < right) {
      std::swap(points[static_cast<std::size_t>(left)], points[static_cast<std::size_t>(right)]);
      // The pivot is a position: it follows the point that was swapped.
      if (pivot == left) {
        pivot = right;
      } else if (pivot == right) {
        pivot = left;
      }
    }
    if (left <= right) {
      ++left;
      --right;
    }
  } while (left < right);
  if (first < right) QuickSort(points, first, right, descending);
  if (left < last) QuickSort(points, left, last, descending);
}

}  // namespace

void SortPiePoints(std::vector<PiePoint>& points, ListOrder order) {
  if (order == loNone || points.size() < 2) return;
  QuickSort(points, 0, static_cast<int>(points.size()) - 1, order == loDescending);
}

void PreparePiePoints(std::vector<PiePoint>& points, ListOrder order) {
  SortPiePoints(points, order);
  for (auto it = points.begin(); it != points.end(); ++it) {
    if (it->X == kOtherSliceX) {
      points.erase(it);
      break;
    }
  }
  for (std::size_t i = 0; i < points.size(); ++i) points[i].X = static_cast<double>(i);
}

double AbsoluteTotal(const std::vector<PiePoint>& points) {
  double total = 0;
  for (const PiePoint& p : points) total += std::fabs(p.Value);
  return total;
}

PieSeries::PieSeries() = default;

void PieSeries::Clear() {
  points_.clear();
  nextSequence_ = 0;
  Changed();
}

int PieSeries::Add(double value, const QString& label, TColor color) {
  PiePoint point;
  point.X = static_cast<double>(points_.size());
  point.Value = value;
  point.Label = label;
  point.Color = color;
  point.Sequence = nextSequence_++;
  points_.push_back(std::move(point));
  Changed();
  return static_cast<int>(points_.size()) - 1;
}

std::vector<double> PieSeries::Values() const {
  std::vector<double> values;
  values.reserve(points_.size());
  for (const PiePoint& p : points_) values.push_back(p.Value);
  return values;
}

void PieSeries::PrepareForDrawing() {
  std::stable_sort(points_.begin(), points_.end(),
                   [](const PiePoint& a, const PiePoint& b) { return a.Sequence < b.Sequence; });
  PreparePiePoints(points_, order_);
}

void PieSeries::SetRotationAngle(int degrees) {
  if (degrees < 0) {
    char message[96];
    std::snprintf(message, sizeof message, "%s Angle must be between 0 and 359 degrees", "Rotation");
    throw EChartException(message);
  }
  const int stored = degrees % 360;
  if (stored == rotationAngle_) return;
  rotationAngle_ = stored;
  Changed();
}

void PieSeries::Changed() {
  if (onChange_) onChange_();
}

}  // namespace vorkan::chart
