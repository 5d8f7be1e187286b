// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the drive list the program builds at start-up, one row a line: the
// row index, the caption and the label, type and size texts, separated by
// tabs. With a kernel name ("loop3") the row of that device is marked with a
// "*" before its index (the others with "-"), all from one look at the
// drives; it fails when the device has no row.
#include <cstdio>
#include <string>

#include "DriveCatalogue.h"
#include "DriveListModel.h"
#include "volume/LinuxVolumeOps.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [KERNEL_NAME]\n", argv[0]);
    return 2;
  }
  vorkan::LinuxVolumeOps ops;
  vorkan::DriveListModel list;
  vorkan::FillDriveList(ops, list);  // takes the letter snapshot the lookup below reads

  int marked = -1;
  if (argc == 2) {
    const char letter = ops.Map().LetterOfDevice(argv[1]);
    if (letter == 0) {
      std::fprintf(stderr, "%s has no drive letter\n", argv[1]);
      return 1;
    }
    marked = list.RowOf(std::string(1, letter) + ":\\");
    if (marked < 0) {
      std::fprintf(stderr, "%s (%c:) has no row in the drive list\n", argv[1], letter);
      return 1;
    }
  }
  for (int i = 0; i < list.RowCount(); ++i) {
    const vorkan::DriveRecord& row = list.rows[static_cast<std::size_t>(i)];
    if (argc == 2) std::printf("%s\t", i == marked ? "*" : "-");
    std::printf("%d\t%s\t%s\t%s\t%s\n", i, row.RootPath.c_str(), row.VolumeLabel.c_str(),
                row.MediaType.c_str(), vorkan::SizeText(row).c_str());
  }
  return 0;
}
