// SPDX-License-Identifier: GPL-3.0-or-later
// An open volume of a VolumeOps, owned: whatever leaves it (an ending, an
// early return, an exception) leaves no handle and no lock behind.
#pragma once

#include <cstdint>

#include "volume/VolumeOps.h"

namespace vorkan {

class Volume {
 public:
  // Holds nothing.
  Volume() = default;
  // Opens the volume with that letter; holds nothing when that failed.
  Volume(VolumeOps& ops, char letter);
  // The one moved from holds nothing afterwards.
  Volume(Volume&& other) noexcept;
  Volume& operator=(Volume&& other) noexcept;
  Volume(const Volume&) = delete;
  Volume& operator=(const Volume&) = delete;
  // Closes what is still open.
  ~Volume();

  bool IsOpen() const { return handle_ != kInvalidHandle; }
  explicit operator bool() const { return IsOpen(); }
  VolumeHandle Handle() const { return handle_; }

  bool Length(std::int64_t& length);
  bool Lock();
  // Sends the unlock request, whether or not a lock was granted.
  void Unlock();
  std::uint32_t Read(void* buffer, std::uint32_t size);
  int BeginRead(void* buffer, std::uint32_t size);
  std::uint32_t EndRead(void* buffer, std::uint32_t size);
  // `buffer` is the volume layer's from then on.
  void AbandonRead(void* buffer);
  // A lock still held goes first, then the handle; nothing after the first.
  void Close();

 private:
  VolumeOps* ops_ = nullptr;
  VolumeHandle handle_ = kInvalidHandle;
  bool locked_ = false;  // a lock was granted and not yet given back
};

}  // namespace vorkan
