// SPDX-License-Identifier: GPL-3.0-or-later
// A JSON string literal, quotes included, for the machine-readable outputs.
#pragma once

#include <string>
#include <string_view>

namespace vorkan::cli {

std::string JsonString(std::string_view text);

}  // namespace vorkan::cli
