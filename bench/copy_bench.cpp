// SPDX-License-Identifier: GPL-3.0-or-later
// Copies one volume with the real copy job and a host that answers no prompt
// and shows nothing, and prints the seconds it took, for copy_vs_dd.sh.
// Usage: copy_bench SOURCE TARGET   (SOURCE: a block device or a regular file)
#include <cstdio>
#include <string>

#include "BenchRun.h"
#include "BenchSource.h"
#include "CopyJob.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  const std::string source = argv[1];
  const std::string target = argv[2];
  vorkan::bench::BenchSource volume;
  if (!vorkan::bench::OpenBenchSource(source, volume)) return 2;

  vorkan::bench::PrintingHost host;
  return vorkan::bench::TimeCopy(
      [&] { return vorkan::CopyDiskToImage(*volume.ops, host, volume.letter, target); });
}
