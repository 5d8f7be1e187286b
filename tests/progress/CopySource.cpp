// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopySource.h"

#include "FileVolumeOps.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {

CopySource::CopySource(std::size_t size, unsigned seed) : bytes_(PatternBytes(size, seed)) {
  const std::string backing = dir_ / "volume.bin";
  WriteFile(backing, bytes_);
  if (LoopDevicesUnavailable().empty()) {
    loop_ = std::make_unique<LoopDevice>(backing);
    if (!loop_->Ok()) {
      problem_ = "could not attach " + backing + " to a loop device";
      return;
    }
    auto linux = std::make_unique<LinuxVolumeOps>();
    linux->RefreshDrives();
    letter_ = linux->Map().LetterOfDevice(loop_->Name());
    if (letter_ == 0) problem_ = loop_->Device() + " got no drive letter";
    ops_ = std::move(linux);
    return;
  }
  auto files = std::make_unique<FileVolumeOps>();
  FileVolume volume;
  volume.path = backing;
  volume.totalFreeBytes = 5LL * 1024 * 1024 * 1024;
  letter_ = 'E';
  files->AddVolume(letter_, volume);
  ops_ = std::move(files);
}

CopySource::~CopySource() {
  ops_.reset();
  loop_.reset();
}

std::string CopySource::Describe() const {
  return IsLoop() ? "loop device " + loop_->Device()
                  : "regular file through the file-backed layer (" + LoopDevicesUnavailable() + ")";
}

}  // namespace vorkan::test
