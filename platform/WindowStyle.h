// SPDX-License-Identifier: GPL-3.0-or-later
// What every window of the program shares: its font, its fixed frame at the
// size its layout gives, the button face behind it and its separators.
#pragma once

#include <QFont>
#include <QPalette>

class QColor;
class QWidget;

namespace vorkan {

// "MS Sans Serif" at 11 pixels. Where the family itself is missing, a face
// of the same (Arial-like) metrics comes before whatever else fontconfig
// would pick, so that the captions fit the controls they were laid out in.
// Bold and underlined labels keep their style and take face and size from it.
QFont WindowFont();

// The main window has a system menu and minimise and close boxes; the
// dialogs only a close box.
enum class WindowFrame { Main, Dialog };

// Gives a window just set up from its layout the program's face: the frame,
// fixed at the client size the layout gives, the windows' font, and its
// separators (frames shaped as a line) drawn as the top line, or the left
// one, of their strips only.
void StyleWindow(QWidget& window, WindowFrame frame);

// Sets one colour of a control (its text, its background) and leaves the
// others as they are.
void SetColor(QWidget& control, QPalette::ColorRole role, const QColor& color);

// The button face `face` behind the window and behind its read-only fields,
// so that these read as selectable text rather than as input boxes.
void UseButtonFace(QWidget& window, const QColor& face);

}  // namespace vorkan
