// SPDX-License-Identifier: GPL-3.0-or-later
// A label that works as a link: the about window's address and bug-report
// lines. It draws as any label; a click on it, or a screen reader's press,
// activates it.
#pragma once

#include <QLabel>

namespace vorkan {

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(QWidget* parent = nullptr);

  // Does what a click on the link does.
  void Activate();

 signals:
  void activated();
};

}  // namespace vorkan
