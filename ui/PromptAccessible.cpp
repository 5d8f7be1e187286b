// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptAccessible.h"

#include "PromptMessage.h"
#include "PromptBox.h"

namespace vorkan {

namespace {

QAccessibleInterface* MakePromptAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String(PromptBox::staticMetaObject.className())) {
    auto* form = qobject_cast<PromptBox*>(object);
    return form != nullptr ? new PromptAccessible(form) : nullptr;
  }
  if (className == QLatin1String(PromptMessage::staticMetaObject.className())) {
    auto* message = qobject_cast<PromptMessage*>(object);
    return message != nullptr ? new PromptMessageAccessible(message) : nullptr;
  }
  return nullptr;
}

}  // namespace

PromptAccessible::PromptAccessible(PromptBox* form) : QAccessibleWidget(form, QAccessible::AlertMessage) {}

QString PromptAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Description && widget()->accessibleDescription().isEmpty())
    return PromptDisplayText(static_cast<const PromptBox*>(widget())->Text());
  return QAccessibleWidget::text(type);
}

PromptMessageAccessible::PromptMessageAccessible(PromptMessage* message)
    : QAccessibleWidget(message, QAccessible::StaticText) {}

QString PromptMessageAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
    return static_cast<const PromptMessage*>(widget())->Text();
  return QAccessibleWidget::text(type);
}

void InstallPromptAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakePromptAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace vorkan
