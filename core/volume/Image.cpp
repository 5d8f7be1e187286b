// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/Image.h"

#include <utility>

namespace vorkan {

Image::Image(VolumeOps& ops, const std::string& path, const std::optional<FileIdentity>& replaces)
    : ops_(&ops), handle_(ops.CreateImage(path, replaces)), open_(handle_ != kInvalidImage) {}

Image::Image(Image&& other) noexcept
    : ops_(other.ops_),
      handle_(std::exchange(other.handle_, kInvalidImage)),
      open_(std::exchange(other.open_, false)),
      kept_(std::exchange(other.kept_, false)) {}

Image& Image::operator=(Image&& other) noexcept {
  if (this != &other) {
    Leave();
    ops_ = other.ops_;
    handle_ = std::exchange(other.handle_, kInvalidImage);
    open_ = std::exchange(other.open_, false);
    kept_ = std::exchange(other.kept_, false);
  }
  return *this;
}

Image::~Image() { Leave(); }

void Image::Leave() {
  // Nothing may leave a destructor, and a close that throws has nobody to
  // tell.
  try {
    Close();
    Delete();
  } catch (...) {
  }
}

bool Image::Append(const void* data, std::uint32_t size) {
  return open_ && ops_->AppendImage(handle_, data, size);
}

bool Image::Flush(std::int64_t length) { return open_ && ops_->FlushImage(handle_, length); }

bool Image::Keep(bool beside, std::string& keptPath) {
  if (!IsHeld()) return kept_;
  kept_ = ops_->KeepImage(handle_, beside, keptPath);
  // After the close the layer lets the handle go whatever the outcome.
  if (!open_) handle_ = kInvalidImage;
  return kept_;
}

bool Image::Close() {
  if (!open_) return true;
  open_ = false;
  const bool closed = ops_->CloseImage(handle_);
  if (closed && kept_) handle_ = kInvalidImage;
  return closed;
}

void Image::Delete() {
  if (!IsHeld()) return;
  open_ = false;
  ops_->DeleteImage(std::exchange(handle_, kInvalidImage));
}

}  // namespace vorkan
