// SPDX-License-Identifier: GPL-3.0-or-later
// What `vorkan copy` was asked to do, read from its words.
#pragma once

#include <string>
#include <vector>

namespace vorkan::cli {

struct CopyOptions {
  std::string source;
  std::string image;
  bool replace = false;      // an IMAGE that stands there may be replaced
  bool force = false;        // go on when the room or the place is doubtful
  bool lock = false;         // exclusive access to the source while it is copied
  bool keepPartial = false;  // keep what was copied of a copy that ended early
  bool sha256 = false;
  bool checksumFile = false;  // IMAGE.sha256 beside the image
  bool verify = false;        // the kept image read back from its disk and compared
  enum class Progress { Auto, Lines, Json } progress = Progress::Auto;
  bool help = false;
};

// The words after "copy"; false with `error` saying why on a usage error.
bool ParseCopyOptions(const std::vector<std::string>& words, CopyOptions& options, std::string& error);

}  // namespace vorkan::cli
