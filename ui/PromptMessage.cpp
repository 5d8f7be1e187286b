// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptMessage.h"

#include <QPainter>

#include "PromptAccessible.h"

namespace vorkan {

PromptMessage::PromptMessage(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
  InstallPromptAccessible();
}

void PromptMessage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | kPromptTextFlags, text_);
}

}  // namespace vorkan
