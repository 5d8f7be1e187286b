// SPDX-License-Identifier: GPL-3.0-or-later
// The message of the prompt box, drawn exactly as the box measured it, and
// read by screen readers as a text of its own.
#pragma once

#include <QString>
#include <QWidget>

namespace vorkan {

// How the message is wrapped, both when it is measured and when drawn.
inline constexpr Qt::TextFlag kPromptTextFlags =
    static_cast<Qt::TextFlag>(Qt::TextWordWrap | Qt::TextExpandTabs);

class PromptMessage : public QWidget {
  Q_OBJECT

 public:
  PromptMessage(const QString& text, QWidget* parent);

  // The message as drawn, one line break per "\n".
  const QString& Text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace vorkan
