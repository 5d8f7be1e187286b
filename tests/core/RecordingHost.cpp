// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingHost.h"

namespace vorkan::test {

PromptResult RecordingHost::ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                                       PromptButtons buttons) {
  prompts.push_back({text, kind, buttons, id});
  if (answers.empty()) return defaultAnswer;
  const PromptResult r = answers.front();
  answers.pop_front();
  return r;
}

void RecordingHost::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                     const std::string& doneText, const std::string& freeText,
                                     std::int32_t maximum, std::int32_t position, bool show) {
  progress.push_back({caption, fileName, doneText, freeText, maximum, position, show});
  if (!show) return;
  ProcessPendingEvents();  // the window pumps before it puts the values on
  if (maximum < 0) negativeMaximumSeen = true;
  NullCopyJobHost::ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
  percents.push_back(GetPercentComplete());
}

void RecordingHost::ProcessPendingEvents() {
  ++pumps;
  if (onPump) onPump(*this, pumps);
}

std::vector<ProgressCall> RecordingHost::Shown() const {
  std::vector<ProgressCall> shown;
  for (const auto& p : progress)
    if (p.show) shown.push_back(p);
  return shown;
}

}  // namespace vorkan::test
