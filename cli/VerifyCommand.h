// SPDX-License-Identifier: GPL-3.0-or-later
// `vorkan verify IMAGE [SOURCE]`: the image as its disk holds it against the
// digest in IMAGE.sha256, or byte for byte against a source.
#pragma once

#include <string>

namespace vorkan::cli {

// `source` empty: against IMAGE.sha256.
int RunVerify(const std::string& image, const std::string& source);

}  // namespace vorkan::cli
