// SPDX-License-Identifier: GPL-3.0-or-later
// The one modal message box of the program.
#pragma once

#include <string>

#include "Prompt.h"

namespace vorkan {

// Shows `text` in a box titled and marked by `kind` with the `buttons` in the
// fixed order Yes, No, OK, Cancel, Abort, Retry, Ignore, and returns the code
// of the button pressed: Cancel (2) when the box is closed without a button,
// and at once, without a box, while the application is terminating.
PromptResult ShowPrompt(const std::string& text, PromptKind kind, PromptButtons buttons);

// Shows faults that escape event handlers in this box: an error icon, one OK
// button, the application title as its title.
void InstallFaultBox();

}  // namespace vorkan
