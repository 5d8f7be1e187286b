// SPDX-License-Identifier: GPL-3.0-or-later
// Times one `vorkan copy SOURCE TARGET --replace --force`, the command line's
// own copy called in this process, and prints the seconds it took, for the
// bench scripts.
// Usage: copy_bench SOURCE TARGET   (SOURCE: anything `vorkan copy` takes)
#include <QCoreApplication>
#include <cstdio>

#include "BenchRun.h"
#include "CopyCommand.h"
#include "CopyOptions.h"
#include "ExitStatus.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  QCoreApplication app(argc, argv);
  vorkan::cli::CopyOptions options;
  options.source = argv[1];
  options.image = argv[2];
  // A bench's image goes wherever its source is and replaces the last one.
  options.replace = true;
  options.force = true;
  return vorkan::bench::TimeCopy([&] { return vorkan::cli::RunCopy(options) == vorkan::cli::kSuccess; });
}
