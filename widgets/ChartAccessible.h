// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers see of the pie chart: a chart named by its shares,
// each slice's label with its percentage ("Занято: 60 %, Свободно: 40 %"),
// in the order the slices were added, whatever the legend shows.
#pragma once

#include <QAccessibleWidget>
#include <QString>
#include <vector>

#include "PieSeries.h"

namespace vorkan::chart {

class PieChart;

// The shares of `points` as one line, in order of addition; empty without
// points.
QString ChartSharesText(const std::vector<PiePoint>& points);

class ChartAccessible : public QAccessibleWidget {
 public:
  explicit ChartAccessible(PieChart* chart);

  // The name is the shares unless the chart was given a name of its own.
  QString text(QAccessible::Text type) const override;
};

// Makes every chart answer with a ChartAccessible; once per process.
void InstallChartAccessible();

}  // namespace vorkan::chart
