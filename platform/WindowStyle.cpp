#include "WindowStyle.h"

#include <QStringList>
#include <QWidget>

namespace vorkan {

QFont WindowFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

void MakeFixedDialog(QWidget& window, int width, int height) {
  window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
  window.setFixedSize(width, height);
}

}  // namespace vorkan
