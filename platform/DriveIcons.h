// SPDX-License-Identifier: GPL-3.0-or-later
// Small drive icons from the desktop's icon theme.
#pragma once

#include <QPixmap>

#include "volume/DriveKind.h"

namespace vorkan {

// The 16 x 16 icon the desktop shows for a drive of this type
// ("drive-harddisk", "drive-removable-media", "drive-optical",
// "media-floppy"); a null pixmap when the theme has none.
QPixmap DriveIconPixmap(DriveKind driveType, bool floppy = false);

// The application's own icon at 16 x 16 (the style's drive icon while the
// application has none).
QPixmap ApplicationIconPixmap();

}  // namespace vorkan
