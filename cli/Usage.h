// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's help texts.
#pragma once

namespace vorkan::cli {

// The synopsis alone, for a usage error.
const char* UsageText();
// `vorkan --help`: the synopsis, the commands and the exit statuses.
const char* MainHelp();
const char* ListHelp();
const char* CopyHelp();
const char* VerifyHelp();

}  // namespace vorkan::cli
