// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers see of a link label: a link named by its text with a
// press action that does what a click does.
#pragma once

#include <QAccessibleWidget>

namespace vorkan {

class LinkLabel;

class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(LinkLabel* link);

  QString text(QAccessible::Text type) const override;
  QStringList actionNames() const override;
  // The press comes back through the event loop: the link's prompt runs a
  // loop of its own, which must not hold up the screen reader's call.
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString& actionName) const override;
};

// Makes every link label answer with a LinkAccessible; once per process.
void InstallLinkAccessible();

}  // namespace vorkan
