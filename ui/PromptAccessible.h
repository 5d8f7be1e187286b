// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers see of the prompt box: an alert named by its title
// whose description is the message, and the message itself as a static text
// among the buttons, so the whole question is read when the box opens.
#pragma once

#include <QAccessibleWidget>

namespace vorkan {

class PromptMessage;
class PromptBox;

class PromptAccessible : public QAccessibleWidget {
 public:
  explicit PromptAccessible(PromptBox* form);
  QString text(QAccessible::Text type) const override;
};

class PromptMessageAccessible : public QAccessibleWidget {
 public:
  explicit PromptMessageAccessible(PromptMessage* message);
  QString text(QAccessible::Text type) const override;
};

// Makes every prompt box and its message answer with the two above; once per
// process.
void InstallPromptAccessible();

}  // namespace vorkan
