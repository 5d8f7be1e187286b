// SPDX-License-Identifier: GPL-3.0-or-later
// The copy request and the copy job without a window: the save dialog's
// answer is the IMAGE given, and every prompt is answered at once by its id
// as the options say, with a line of its own on stderr. What happened is
// kept for the command to end with.
#pragma once

#include <cstdint>
#include <string>

#include "CopyOptions.h"
#include "CopyRequest.h"
#include "NullCopyJobHost.h"
#include "ProgressReport.h"
#include "Sha256.h"

namespace vorkan::cli {

class CopyHost : public NullCopyJobHost, public CopyRequestHost {
 public:
  // `digest` null: none is made; `stopDescriptor` becomes readable when a
  // signal asks the copy to stop.
  CopyHost(VolumeOps& ops, const CopyOptions& options, char letter, ImageTarget target,
           ProgressReport& progress, Sha256* digest, int stopDescriptor);

  // What the copy came to.
  bool Ran() const { return ran_; }
  bool Copied() const { return copied_; }
  bool WriteFailed() const { return writeFailed_; }
  // Where the image is, complete or not; empty when nowhere.
  const std::string& KeptPath() const { return keptPath_; }
  std::int64_t BytesCopied() const { return copiedBytes_; }

  // Both hosts.
  PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                          PromptButtons buttons) override;

  // CopyRequestHost
  bool SelectedRow(DriveRecord& row) override;
  bool RunSaveDialog(const std::string& proposedName, int filterIndex, ImageTarget& target) override;
  void ClearLockOption() override { lockOption = false; }
  void SetCopyControlsEnabled(bool) override {}
  bool RunCopyJob(char sourceLetter, const ImageTarget& target, std::string& keptPath) override;
  void ClearRequestFlags() override {}
  void RestoreTitle() override {}
  void RestoreApplication() override {}
  void RebuildDriveList() override {}
  void FocusListIfActive() override {}

  // CopyJobHost
  std::uint8_t GetAbortFlag() override;
  bool WaitForDescriptor(int fd) override;
  void BlockWritten(const void* data, std::uint32_t size) override;
  void BytesCopied(std::int64_t copied, std::int64_t length) override;

 private:
  void Say(const std::string& text);

  VolumeOps& ops_;
  const CopyOptions& options_;
  const char letter_;
  const ImageTarget target_;
  ProgressReport& progress_;
  Sha256* digest_;
  const int stopDescriptor_;
  bool targetGiven_ = false;
  bool ran_ = false;
  bool copied_ = false;
  bool writeFailed_ = false;
  bool lockAborted_ = false;
  std::string keptPath_;
  std::int64_t copiedBytes_ = 0;
  std::int64_t length_ = 0;
};

}  // namespace vorkan::cli
