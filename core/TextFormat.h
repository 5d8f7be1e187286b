// SPDX-License-Identifier: GPL-3.0-or-later
// Fills "%s" placeholders in order, the way the program's message texts are
// written; "%%" stands for one "%".
#pragma once

#include <initializer_list>
#include <string>

namespace vorkan {

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args);

// A message about a drive, written for a letter ("Диск %s:\ ..." with "E"):
// a drive named otherwise (the folder a file system without a letter is
// mounted on) stands in place of the whole "%s:\".
std::string FormatDriveText(const std::string& pattern, const std::string& drive);

}  // namespace vorkan
