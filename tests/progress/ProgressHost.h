// SPDX-License-Identifier: GPL-3.0-or-later
// A copy-job host made of the real progress window over a stand-in main
// window: real flags, real prompts (answered by the prompt box's test hook),
// and a record of what the window showed after every report.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "NullCopyJobHost.h"
#include "PromptCall.h"
#include "ProgressWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QComboBox;

namespace vorkan::test {

// What the windows showed right after one report (ShowCopyProgress with show
// true) returned.
struct Snapshot {
  std::string caption, status, pauseButton, fileName, doneText, freeText, priority;
  std::int32_t maximum, progress, percent;
  bool formVisible, formMinimized, mainVisible, mainEnabled;
  std::uint8_t abortFlag, pauseFlag;
  int nice;
};

class ProgressHost : public NullCopyJobHost {
 public:
  ProgressHost();
  ~ProgressHost() override;

  PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                          PromptButtons buttons) override;
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override;
  void ProcessPendingEvents() override;
  std::string GetMainCaption() override;
  void SetAppTitle(const std::string& title) override;
  std::int32_t GetPercentComplete() override { return form.PercentComplete(); }

  // Runs `action` from inside the event pump of the report with this number
  // (1-based, counting the shown reports of this host, paused passes too).
  void DuringReport(int report, std::function<void()> action);
  // Buttons pressed, in order, on the prompts that come up; a prompt with no
  // answer left is closed with its close box (Cancel).
  std::deque<PromptButton> answers;
  // Runs when a prompt is shown, before it is answered.
  std::function<void(const PromptCall&)> onPrompt;

  // The text a field shows: pending texts reach the fields whenever the event
  // loop would wait, as it is told here.
  std::string FieldText(const char* name) const;
  QPushButton* Button(const char* name) const;
  QLabel* Label(const char* name) const;
  QLineEdit* Edit(const char* name) const;
  QComboBox* Priority() const;

  QWidget mainWindow;
  ProgressWindow form;

  std::vector<Snapshot> reports;
  std::vector<std::string> titles;
  std::vector<PromptCall> prompts;
  int hides = 0;
  int pumps = 0;

 private:
  std::map<int, std::function<void()>> actions_;
};

// Where the top-left corner of the window's frame stands centred on the
// screen: half the screen less half the frame, each halved on its own.
QPoint CentredCorner(const QWidget& window);

}  // namespace vorkan::test
