// SPDX-License-Identifier: GPL-3.0-or-later
// Byte counts as the command line prints them for people: "512 B", "1.5 GiB".
#pragma once

#include <cstdint>
#include <string>

namespace vorkan::cli {

std::string SizeText(std::int64_t bytes);

}  // namespace vorkan::cli
