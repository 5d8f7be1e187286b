// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own icon: a disc whose bytes flow into an image file.
#pragma once

#include <QIcon>

namespace vorkan {

// The icon in the sizes 16, 22, 24, 32, 48, 64, 128 and 256 pixels, drawn from
// res/vorkan.svg. Windows carry it, and drives for which the desktop theme has
// no icon show it.
QIcon ApplicationIcon();

}  // namespace vorkan
