// SPDX-License-Identifier: GPL-3.0-or-later
// `vorkan list`: the rows of the windows' drive list on stdout, as a table
// for people or as JSON for programs.
#pragma once

namespace vorkan::cli {

int RunList(bool json);

}  // namespace vorkan::cli
