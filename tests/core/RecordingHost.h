// SPDX-License-Identifier: GPL-3.0-or-later
// A copy-job host that answers prompts from a script and records what the job
// shows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "NullCopyJobHost.h"
#include "PromptCall.h"

namespace vorkan::test {

struct ProgressCall {
  std::string caption, fileName, doneText, freeText;
  std::int32_t maximum, position;
  bool show;
};

class RecordingHost : public NullCopyJobHost {
 public:
  PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                          PromptButtons buttons) override;
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override;
  void ProcessPendingEvents() override;
  void SetLockOption(bool locked) override {
    NullCopyJobHost::SetLockOption(locked);
    lockOptionSets.push_back(locked);
  }
  void SetAppTitle(const std::string& title) override { titles.push_back(title); }

  // Answers given in order; defaultAnswer once they run out.
  std::deque<PromptResult> answers;
  PromptResult defaultAnswer = PromptResult::Cancel;
  // Runs at every event pump with the number of pumps so far (1-based).
  std::function<void(RecordingHost&, int pump)> onPump;

  std::vector<PromptCall> prompts;
  std::vector<ProgressCall> progress;
  std::vector<std::string> titles;
  std::vector<bool> lockOptionSets;
  std::vector<std::int32_t> percents;  // the gauge's value after each shown report
  bool negativeMaximumSeen = false;
  int pumps = 0;

  std::vector<ProgressCall> Shown() const;
};

}  // namespace vorkan::test
