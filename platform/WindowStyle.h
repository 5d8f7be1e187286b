// What every window of the program shares: its font, and for the dialogs the
// fixed frame with only a close box.
#pragma once

#include <QFont>

class QWidget;

namespace vorkan {

// "MS Sans Serif" at 11 pixels. Where the family itself is missing, a face
// of the same (Arial-like) metrics comes before whatever else fontconfig
// would pick, so that the captions fit the controls they were laid out in.
// Bold and underlined labels keep their style and take face and size from it.
QFont WindowFont();

// A dialog frame of fixed client size with only a close box.
void MakeFixedDialog(QWidget& window, int width, int height);

}  // namespace vorkan
