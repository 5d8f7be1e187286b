// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageTarget.h"

#include "volume/FileIdentity.h"

namespace vorkan {

ImageTarget ReplacingWhatStands(const std::string& path) {
  ImageTarget target{path, std::nullopt};
  FileIdentity identity;
  if (IdentityOfName(path, identity)) target.replaces = identity;
  return target;
}

}  // namespace vorkan
