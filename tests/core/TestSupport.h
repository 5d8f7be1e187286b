// Shared pieces of the core tests: a host that answers prompts from a script
// and records what the job shows, temporary folders, descriptor counting.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "CopyJobHost.h"

namespace vorkan::test {

struct PromptCall {
  std::string text;
  PromptKind kind;
  PromptButtons buttons;
};

struct ProgressCall {
  std::string caption, fileName, doneText, freeText;
  std::int32_t maximum, position;
  bool show;
};

class RecordingHost : public CopyJobHost {
 public:
  PromptResult ShowPrompt(const std::string& text, PromptKind kind, PromptButtons buttons) override;
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override;
  std::uint8_t GetAbortFlag() override { return abortFlag; }
  std::uint8_t GetPauseFlag() override { return pauseFlag; }
  void ProcessPendingEvents() override;
  bool GetLockOption() override { return lockOption; }
  void SetLockOption(bool locked) override {
    lockOption = locked;
    lockOptionSets.push_back(locked);
  }
  std::string GetMainCaption() override { return "Vorkan v1.2"; }
  void SetAppTitle(const std::string& title) override { titles.push_back(title); }
  std::int32_t GetPercentComplete() override { return PercentOfProgress(maximum_, position_); }

  // Answers given in order; defaultAnswer once they run out.
  std::deque<PromptResult> answers;
  PromptResult defaultAnswer = mrCancel;
  // Runs at every event pump with the number of pumps so far (1-based).
  std::function<void(RecordingHost&, int pump)> onPump;

  std::vector<PromptCall> prompts;
  std::vector<ProgressCall> progress;
  std::vector<std::string> titles;
  std::vector<bool> lockOptionSets;
  std::vector<std::int32_t> percents;  // the gauge's value after each shown report
  std::uint8_t abortFlag = 0;
  std::uint8_t pauseFlag = 0;
  bool lockOption = false;
  bool negativeMaximumSeen = false;
  int pumps = 0;

  std::vector<ProgressCall> Shown() const;

 private:
  std::int32_t maximum_ = 100, position_ = 100;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

int OpenDescriptorCount();
std::string PatternBytes(std::size_t size, unsigned seed);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Runs a shell command for test set-up; its exit status.
int Run(const std::string& command);
std::string RunOutput(const std::string& command);
bool IsRoot();

}  // namespace vorkan::test
