// SPDX-License-Identifier: GPL-3.0-or-later
// The everyday helpers of the tests: temporary folders, commands, files and
// descriptor counts.
#pragma once

#include "Command.h"
#include "Descriptors.h"
#include "Files.h"
#include "TempDir.h"
