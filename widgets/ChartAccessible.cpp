#include "ChartAccessible.h"

#include <QStringList>
#include <algorithm>

#include "ChartLegend.h"
#include "TChart.h"

namespace vorkan::chart {

namespace {

QAccessibleInterface* MakeChartAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(TChart::staticMetaObject.className())) return nullptr;
  auto* chart = qobject_cast<TChart*>(object);
  return chart != nullptr ? new ChartAccessible(chart) : nullptr;
}

}  // namespace

QString ChartSharesText(const std::vector<TPiePoint>& points) {
  // Drawing sorts the points by value; a listener wants them as added.
  std::vector<TPiePoint> added = points;
  std::stable_sort(added.begin(), added.end(),
                   [](const TPiePoint& a, const TPiePoint& b) { return a.Sequence < b.Sequence; });
  const double total = AbsoluteTotal(added);
  QStringList shares;
  for (const TPiePoint& point : added) shares << LegendItemText(point.Label, point.Value, total);
  return shares.join(QStringLiteral(", "));
}

ChartAccessible::ChartAccessible(TChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}

QString ChartAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
    return ChartSharesText(static_cast<const TChart*>(widget())->Series().Points());
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
