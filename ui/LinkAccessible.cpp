// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkAccessible.h"

#include "LinkLabel.h"

namespace vorkan {

namespace {

QAccessibleInterface* MakeLinkAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(LinkLabel::staticMetaObject.className())) return nullptr;
  auto* link = qobject_cast<LinkLabel*>(object);
  return link != nullptr ? new LinkAccessible(link) : nullptr;
}

}  // namespace

LinkAccessible::LinkAccessible(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

QString LinkAccessible::text(QAccessible::Text type) const {
  if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
    return static_cast<const LinkLabel*>(widget())->text();
  return QAccessibleWidget::text(type);
}

QStringList LinkAccessible::actionNames() const { return {pressAction()}; }

void LinkAccessible::doAction(const QString& actionName) {
  if (actionName != pressAction()) return;
  QMetaObject::invokeMethod(static_cast<LinkLabel*>(widget()), &LinkLabel::Activate, Qt::QueuedConnection);
}

QStringList LinkAccessible::keyBindingsForAction(const QString&) const { return {}; }

void InstallLinkAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(&MakeLinkAccessible);
    return true;
  }();
  (void)installed;
}

}  // namespace vorkan
