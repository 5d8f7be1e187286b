// SPDX-License-Identifier: GPL-3.0-or-later
// `vorkan copy SOURCE IMAGE`: the copy request and the copy job of the
// windows, answered by the options; the exit status says how it ended.
#pragma once

#include "CopyOptions.h"

namespace vorkan::cli {

int RunCopy(const CopyOptions& options);

}  // namespace vorkan::cli
