// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/Volume.h"

#include <cstdlib>
#include <utility>

namespace vorkan {

Volume::Volume(VolumeOps& ops, char letter) : ops_(&ops), handle_(ops.OpenVolume(letter)) {}

Volume::Volume(Volume&& other) noexcept
    : ops_(other.ops_),
      handle_(std::exchange(other.handle_, kInvalidHandle)),
      locked_(std::exchange(other.locked_, false)) {}

Volume& Volume::operator=(Volume&& other) noexcept {
  if (this != &other) {
    Close();
    ops_ = other.ops_;
    handle_ = std::exchange(other.handle_, kInvalidHandle);
    locked_ = std::exchange(other.locked_, false);
  }
  return *this;
}

Volume::~Volume() {
  // Nothing may leave a destructor, and a close that throws has nobody to
  // tell.
  try {
    Close();
  } catch (...) {
  }
}

bool Volume::Length(std::int64_t& length) { return IsOpen() && ops_->VolumeLength(handle_, length); }

bool Volume::Lock() {
  if (!IsOpen()) return false;
  const bool granted = ops_->LockVolume(handle_);
  if (granted) locked_ = true;
  return granted;
}

void Volume::Unlock() {
  if (!IsOpen()) return;
  locked_ = false;
  ops_->UnlockVolume(handle_);
}

std::uint32_t Volume::Read(void* buffer, std::uint32_t size) {
  return IsOpen() ? ops_->ReadVolume(handle_, buffer, size) : 0;
}

int Volume::BeginRead(void* buffer, std::uint32_t size) {
  return IsOpen() ? ops_->BeginRead(handle_, buffer, size) : -1;
}

std::uint32_t Volume::EndRead(void* buffer, std::uint32_t size) {
  return IsOpen() ? ops_->EndRead(handle_, buffer, size) : 0;
}

void Volume::AbandonRead(void* buffer) {
  if (IsOpen())
    ops_->AbandonRead(handle_, buffer);
  else
    std::free(buffer);
}

void Volume::Close() {
  if (!IsOpen()) return;
  if (locked_) Unlock();
  ops_->CloseVolume(std::exchange(handle_, kInvalidHandle));
}

}  // namespace vorkan
