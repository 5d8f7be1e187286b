// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a folder or a link with the desktop's default program.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorkan {

// Starts `program` with `arguments`, detached, without a shell.
using Opener = std::function<void(const std::string& program, const std::vector<std::string>& arguments)>;

// Hands `target` (a folder or a "mailto:" link, unchanged) to xdg-open as its
// one argument. The result is not looked at.
void OpenWithDesktop(const std::string& target);

// Replaces the starter (tests record instead of starting); an empty one puts
// the real starter back. Returns the previous starter.
Opener SetOpener(Opener opener);

}  // namespace vorkan
