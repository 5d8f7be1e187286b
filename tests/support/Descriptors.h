// SPDX-License-Identifier: GPL-3.0-or-later
// Open descriptors of this process, to show that nothing is left open.
#pragma once

namespace vorkan::test {

int OpenDescriptorCount();

}  // namespace vorkan::test
