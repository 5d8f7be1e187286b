// SPDX-License-Identifier: GPL-3.0-or-later
// Where a copy puts its image, and what it may replace there.
#pragma once

#include <optional>
#include <string>

#include "volume/FileIdentity.h"

namespace vorkan {

struct ImageTarget {
  std::string path;
  // The file under `path` the user agreed to replace, as it was when they
  // agreed; none where the name was free. Whatever else stands under the
  // name when the image is kept stays, and the image takes a name beside it.
  std::optional<FileIdentity> replaces;
};

// A target that may replace what stands under `path` now (by the name
// itself: a symbolic link, not what it points to).
ImageTarget ReplacingWhatStands(const std::string& path);

}  // namespace vorkan
