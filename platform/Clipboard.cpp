// SPDX-License-Identifier: GPL-3.0-or-later
#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace vorkan {

void SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text), QClipboard::Clipboard);
}

std::string ClipboardText() {
  return QGuiApplication::clipboard()->text(QClipboard::Clipboard).toStdString();
}

}  // namespace vorkan
