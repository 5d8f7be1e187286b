// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveIcons.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "volume/VolumeOps.h"

namespace vorkan {
namespace {

constexpr int kIconSize = 16;

// Without a desktop session there is no theme set; the freedesktop default
// theme shipped with most systems stands in.
void EnsureIconTheme() {
  static bool done = false;
  if (done) return;
  done = true;
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
      QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  }
}

const char* ThemeIconName(DriveKind driveType, bool floppy) {
  if (floppy) return "media-floppy";
  switch (driveType) {
    case DriveKind::Removable: return "drive-removable-media";
    case DriveKind::CdRom: return "drive-optical";
    default: return "drive-harddisk";
  }
}

}  // namespace

QPixmap DriveIconPixmap(DriveKind driveType, bool floppy) {
  EnsureIconTheme();
  const QIcon icon = QIcon::fromTheme(QString::fromLatin1(ThemeIconName(driveType, floppy)));
  if (icon.isNull()) return QPixmap();
  return icon.pixmap(kIconSize, kIconSize);
}

QPixmap ApplicationIconPixmap() {
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
  return icon.pixmap(kIconSize, kIconSize);
}

}  // namespace vorkan
