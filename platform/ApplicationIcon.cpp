// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationIcon.h"

#include <QSize>
#include <QString>

#include "Resources.h"

namespace vorkan {

QIcon ApplicationIcon() {
  InitResources();
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/vorkan/icons/vorkan-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace vorkan
