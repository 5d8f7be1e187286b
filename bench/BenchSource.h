// SPDX-License-Identifier: GPL-3.0-or-later
// The volume a benchmark copies: a block device through the Linux layer (by
// the letter it was given), or a regular file through the file-backed layer.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "volume/AsyncRead.h"
#include "FileVolumeOps.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::bench {

struct BenchSource {
  std::unique_ptr<VolumeOps> ops;
  char letter = 0;
};

// False, with a message on stderr, when the source cannot be used.
inline bool OpenBenchSource(const std::string& source, BenchSource& out) {
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0) {
    std::perror(source.c_str());
    return false;
  }
  if (S_ISBLK(st.st_mode)) {
    // The peer of the read-ahead measure: the same copy without it.
    if (std::getenv("VORKAN_BENCH_NO_READ_AHEAD") != nullptr) AsyncRead::SetReadAhead(false);
    auto linux = std::make_unique<LinuxVolumeOps>();
    out.letter = linux->Map().LetterOfDevice(source.substr(source.rfind('/') + 1));
    if (out.letter == 0) {
      std::fprintf(stderr, "%s has no drive letter\n", source.c_str());
      return false;
    }
    out.ops = std::move(linux);
    return true;
  }
  auto files = std::make_unique<FileVolumeOps>();
  FileVolume volume;
  volume.path = source;
  out.letter = 'E';
  files->AddVolume(out.letter, volume);
  out.ops = std::move(files);
  return true;
}

}  // namespace vorkan::bench
