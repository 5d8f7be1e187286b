// SPDX-License-Identifier: GPL-3.0-or-later
// A source volume for copies through the progress window: a real loop device
// where the machine allows it (root), else a regular file through the
// file-backed volume layer.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "LoopDevice.h"
#include "TestSupport.h"
#include "volume/VolumeOps.h"

namespace vorkan::test {

class CopySource {
 public:
  // `size` patterned bytes.
  CopySource(std::size_t size, unsigned seed);
  ~CopySource();
  CopySource(const CopySource&) = delete;
  CopySource& operator=(const CopySource&) = delete;

  // Empty when the volume is ready, else why it is not.
  const std::string& Problem() const { return problem_; }
  bool IsLoop() const { return loop_ != nullptr; }
  // What a copy of the whole volume holds.
  const std::string& Bytes() const { return bytes_; }
  VolumeOps& Ops() { return *ops_; }
  char Letter() const { return letter_; }
  // A path for an image in the test's own folder.
  std::string Target(const std::string& name) const { return dir_ / name; }
  std::string Describe() const;

 private:
  TempDir dir_;
  std::string bytes_;
  std::unique_ptr<LoopDevice> loop_;
  std::unique_ptr<VolumeOps> ops_;
  char letter_ = 0;
  std::string problem_;
};

}  // namespace vorkan::test
