// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures compiled into the program (res/vorkan.qrc): the application
// icon in its sizes and the about window's banner, under ":/vorkan/".
#pragma once

namespace vorkan {

// Makes the compiled-in pictures readable. They live in a static library, so
// nothing registers them before this is called; calling it again is harmless.
void InitResources();

}  // namespace vorkan
