// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's windows open: centred on the screen, frame included.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vorkan {

// The top-left corner of a window of outer size `frame` centred on `screen`:
// left = screen width / 2 - frame width / 2, top likewise (integer
// divisions), from the screen's corner.
QPoint CentredTopLeft(const QSize& frame, const QRect& screen);

// Centres `window` (its outer frame) on the primary screen. Until the window
// manager has framed a window, its frame is not known: the frame of the
// program's windows framed before stands in (they all get the same title bar
// and border), so the first showing lands where the later ones do. Should the
// window's own frame turn out different (the first window of all), it is
// centred again as soon as that frame is known.
void CentreOnScreen(QWidget& window);

}  // namespace vorkan
