// SPDX-License-Identifier: GPL-3.0-or-later
// The system clipboard, plain text only.
#pragma once

#include <string>

namespace vorkan {

// Replaces the clipboard's content with `text`.
void SetClipboardText(const std::string& text);
// The clipboard's plain text; empty when it holds none.
std::string ClipboardText();

}  // namespace vorkan
