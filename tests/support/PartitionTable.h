// SPDX-License-Identifier: GPL-3.0-or-later
// A classic MBR partition table written into a disk image by hand, so the
// tests need no partitioning tool.
#pragma once

#include <cstdint>
#include <string>

namespace vorkan::test {

struct MbrPartition {
  std::uint32_t firstSector;
  std::uint32_t sectorCount;
};

// Writes a table with up to four Linux partitions (type 0x83) into the first
// sector of `image`; false when the file cannot be written.
bool WritePartitionTable(const std::string& image, std::initializer_list<MbrPartition> partitions);

}  // namespace vorkan::test
