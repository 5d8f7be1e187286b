// SPDX-License-Identifier: GPL-3.0-or-later
// An image file of a VolumeOps, owned, with the steps its handle goes
// through: it is written while open, then closed, kept or deleted in the
// order each ending of a copy wants. Whatever leaves it before that (an
// early return, an exception) neither leaves a handle behind nor a partial
// image: what was never kept is closed and thrown away, what stood under
// its name stays. An image that was kept and closed whole is done with and
// never thrown away.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "volume/FileIdentity.h"
#include "volume/VolumeOps.h"

namespace vorkan {

class Image {
 public:
  // Holds nothing.
  Image() = default;
  // Creates the image; holds nothing when that failed.
  Image(VolumeOps& ops, const std::string& path, const std::optional<FileIdentity>& replaces);
  // The one moved from holds nothing afterwards.
  Image(Image&& other) noexcept;
  Image& operator=(Image&& other) noexcept;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  // Closes what is still open and throws away what is still held: the
  // image nobody decided on.
  ~Image();

  // Whether the handle is still held: until it is kept or deleted after the
  // close, or closed after it was kept.
  bool IsHeld() const { return handle_ != kInvalidImage; }
  explicit operator bool() const { return IsHeld(); }
  // Whether the last keep put it under a name.
  bool Kept() const { return kept_; }

  bool Append(const void* data, std::uint32_t size);
  bool Flush(std::int64_t length);
  // Once the handle is gone, what the last keep said, and `keptPath` is
  // left as it is.
  bool Keep(bool beside, std::string& keptPath);
  // No more writing; true when it was closed already. A kept image is done
  // with once closed; any other waits for Keep or Delete.
  bool Close();
  void Delete();

 private:
  void Leave();

  VolumeOps* ops_ = nullptr;
  ImageHandle handle_ = kInvalidImage;
  bool open_ = false;
  bool kept_ = false;
};

}  // namespace vorkan
