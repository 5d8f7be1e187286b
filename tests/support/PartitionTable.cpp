// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartitionTable.h"

#include <fcntl.h>
#include <unistd.h>

namespace vorkan::test {

bool WritePartitionTable(const std::string& image, std::initializer_list<MbrPartition> partitions) {
  if (partitions.size() > 4) return false;
  std::string mbr(512, '\0');
  int index = 0;
  for (const MbrPartition& p : partitions) {
    char* e = mbr.data() + 446 + 16 * index++;
    e[4] = static_cast<char>(0x83);
    for (int i = 0; i < 4; ++i) {
      e[8 + i] = static_cast<char>((p.firstSector >> (8 * i)) & 0xFF);
      e[12 + i] = static_cast<char>((p.sectorCount >> (8 * i)) & 0xFF);
    }
  }
  mbr[510] = static_cast<char>(0x55);
  mbr[511] = static_cast<char>(0xAA);
  const int fd = ::open(image.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::pwrite(fd, mbr.data(), mbr.size(), 0) == 512;
  return ::close(fd) == 0 && written;
}

}  // namespace vorkan::test
