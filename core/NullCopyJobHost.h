// SPDX-License-Identifier: GPL-3.0-or-later
// A host with no window, for running the copy job headless (the measuring
// programs, the tests): every prompt answers Cancel, as the program's own
// prompts do while it terminates; the flags and the lock option are plain
// members; the percentage is the gauge's arithmetic over the last shown report.
// Hosts that watch or steer the job override what they need.
#pragma once

#include <cstdint>
#include <string>

#include "CopyJobHost.h"

namespace vorkan {

class NullCopyJobHost : public CopyJobHost {
 public:
  PromptResult ShowPrompt(PromptId, const std::string&, PromptKind, PromptButtons) override {
    return PromptResult::Cancel;
  }
  void ShowCopyProgress(const std::string&, const std::string&, const std::string&, const std::string&,
                        std::int32_t maximum, std::int32_t position, bool show) override {
    if (!show) return;
    maximum_ = maximum;
    position_ = position;
  }
  std::uint8_t GetAbortFlag() override { return abortRequested; }
  std::uint8_t GetPauseFlag() override { return pauseRequested; }
  void ProcessPendingEvents() override {}
  bool GetLockOption() override { return lockOption; }
  void SetLockOption(bool locked) override { lockOption = locked; }
  std::string GetMainCaption() override { return "Vorkan v1.2"; }
  void SetAppTitle(const std::string&) override {}
  std::int32_t GetPercentComplete() override { return PercentOfProgress(maximum_, position_); }

  std::uint8_t abortRequested = 0;
  std::uint8_t pauseRequested = 0;
  bool lockOption = false;

 private:
  std::int32_t maximum_ = 0, position_ = 0;
};

}  // namespace vorkan
