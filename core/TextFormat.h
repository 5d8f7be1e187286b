// Fills "%s" placeholders in order, the way the program's message texts are
// written; "%%" stands for one "%".
#pragma once

#include <initializer_list>
#include <string>

namespace vorkan {

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args);

}  // namespace vorkan
