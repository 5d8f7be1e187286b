// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartAccessible.h"

#include <QStringList>
#include <algorithm>

#include "ChartLegend.h"
#include "PieChart.h"

namespace vorkan::chart {

namespace {

QAccessibleInterface* MakeChartAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(PieChart::staticMetaObject.className())) return nullptr;
  auto* chart = qobject_cast<PieChart*>(object);
  return chart != nullptr ? new ChartAccessible(chart) : nullptr;
}

}  // namespace

QString ChartSharesText(const std::vector<PiePoint>& points) {
  // Drawing sorts the points by value; a listener wants them as added.
  std::vector<PiePoint> added = points;
  std::stable_sort(added.begin(), added.end(),
                   [](const PiePoint& a, const PiePoint& b) { return a.Sequence < b.Sequence; });
  const double total = AbsoluteTotal(added);
  QStringList shares;
  for (const PiePoint& point : added) shares << LegendItemText(point.Label, point.Value, total);
  return shares.join(QStringLiteral(", "));
}

ChartAccessible::ChartAccessible(PieChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}

QString ChartAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
    return ChartSharesText(static_cast<const PieChart*>(widget())->Series().Points());
  return QAccessibleWidget::text(type);
}

void InstallChartAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeChartAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace vorkan::chart
