// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers see of the gauge: a progress bar whose value is the
// gauge's position in its range, and whose text is the percentage it draws.
#pragma once

#include <QAccessibleWidget>

namespace vorkan {

class ProgressGauge;

class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit GaugeAccessible(ProgressGauge* gauge);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QString text(QAccessible::Text type) const override;

  // QAccessibleValueInterface: read only, the job alone moves the gauge.
  QVariant currentValue() const override;
  void setCurrentValue(const QVariant& value) override;
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override;

 private:
  const ProgressGauge& Gauge() const;
};

// Makes every gauge answer with a GaugeAccessible; once per process.
void InstallGaugeAccessible();

}  // namespace vorkan
