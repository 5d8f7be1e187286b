// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowStyle.h"

#include <QColor>
#include <QFrame>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

namespace vorkan {

namespace {

Qt::WindowFlags FlagsOf(WindowFrame frame) {
  const Qt::WindowFlags common = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
  switch (frame) {
    case WindowFrame::Main:
      return Qt::Window | common | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
    case WindowFrame::Dialog: return Qt::Dialog | common | Qt::MSWindowsFixedSizeDialogHint;
  }
  return Qt::Window | common;
}

}  // namespace

QFont WindowFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setFamilies(
      {QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

void StyleWindow(QWidget& window, WindowFrame frame) {
  window.setWindowFlags(FlagsOf(frame));
  window.setFixedSize(window.size());
  window.setFont(WindowFont());
  for (QFrame* line : window.findChildren<QFrame*>()) {
    if (line->frameShape() == QFrame::HLine)
      line->setFrameRect(QRect(0, 0, line->width(), 2));
    else if (line->frameShape() == QFrame::VLine)
      line->setFrameRect(QRect(0, 0, 2, line->height()));
  }
}

void SetColor(QWidget& control, QPalette::ColorRole role, const QColor& color) {
  QPalette palette = control.palette();
  palette.setColor(role, color);
  control.setPalette(palette);
}

void UseButtonFace(QWidget& window, const QColor& face) {
  SetColor(window, QPalette::Window, face);
  for (QLineEdit* field : window.findChildren<QLineEdit*>()) {
    if (field->isReadOnly()) SetColor(*field, QPalette::Base, face);
  }
}

}  // namespace vorkan
