// SPDX-License-Identifier: GPL-3.0-or-later
#include "GaugeAccessible.h"

#include "ProgressGauge.h"

namespace vorkan {

namespace {

QAccessibleInterface* MakeGaugeAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(ProgressGauge::staticMetaObject.className())) return nullptr;
  auto* gauge = qobject_cast<ProgressGauge*>(object);
  return gauge != nullptr ? new GaugeAccessible(gauge) : nullptr;
}

}  // namespace

GaugeAccessible::GaugeAccessible(ProgressGauge* gauge) : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

const ProgressGauge& GaugeAccessible::Gauge() const { return *static_cast<const ProgressGauge*>(widget()); }

void* GaugeAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QString GaugeAccessible::text(QAccessible::Text type) const {
  // The percentage exactly as drawn on the bar.
  if (type == QAccessible::Value) return QString::number(Gauge().PercentComplete()) + QLatin1Char('%');
  return QAccessibleWidget::text(type);
}

QVariant GaugeAccessible::currentValue() const { return Gauge().Progress(); }

void GaugeAccessible::setCurrentValue(const QVariant&) {}

QVariant GaugeAccessible::maximumValue() const { return Gauge().MaxValue(); }

QVariant GaugeAccessible::minimumValue() const { return Gauge().MinValue(); }

QVariant GaugeAccessible::minimumStepSize() const { return 0; }

void InstallGaugeAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeGaugeAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace vorkan
