// SPDX-License-Identifier: GPL-3.0-or-later
// The disk copy job: one whole volume, byte for byte from offset 0, into one
// image file, in 256 KiB blocks, until the volume delivers no more data.
#pragma once

#include <cstdint>
#include <string>

#include "CopyJobHost.h"
#include "ImageTarget.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// Subtracted from the device length to give the completion threshold: a copy
// that ends this close to the end still counts as complete.
constexpr std::int64_t TailMargin = 111104;  // 217 sectors of 512 bytes

// The gauge's maximum and position for a threshold and a transferred count.
// Normally the counts in 512-byte units. Volumes of 2^40 bytes and more are
// counted in larger units (512 times a power of two) so that both fit 32 bits
// and the percentage stays that of the bytes. A threshold of -511 to 511
// bytes gives a maximum of 0 (0 %, as the gauge shows an empty range); one of
// -512 and below (a volume of 110,592 bytes or less, or an unknown length)
// is already reached by any data, so it shows as a full gauge (1 of 1)
// rather than a negative maximum, which the gauge refuses.
struct GaugeValues {
  std::int32_t maximum;
  std::int32_t position;
};
GaugeValues GaugeValuesFor(std::int64_t total, std::int64_t transferred);

// True only when the data reached the completion threshold and the image is
// kept; `keptPath` is then where (the chosen path, or a name beside it when
// that was taken meanwhile, in the folder's current place). A copy that
// failed gives where its partial or empty image was kept, if anywhere.
bool CopyDiskToImage(VolumeOps& ops, CopyJobHost& host, char sourceLetter, const ImageTarget& target,
                     std::string* keptPath = nullptr);
// The same, agreeing to replace what stands under the name now.
bool CopyDiskToImage(VolumeOps& ops, CopyJobHost& host, char sourceLetter, const std::string& targetFileName);

}  // namespace vorkan
