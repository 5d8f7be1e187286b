// SPDX-License-Identifier: GPL-3.0-or-later
// A whole copy through the program's windows over the file-backed volume
// layer: drive C (a file of whole 256 KiB blocks and a little more) into an
// image on drive E, started with the main window's copy button, with hooks
// into the job's event pumps and at its prompts.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MainWindowDriver.h"
#include "TestSupport.h"
#include "PromptAnswers.h"

namespace vorkan::test {

class WindowCopy {
 public:
  explicit WindowCopy(int blocks) : source_(PatternBytes(std::size_t(blocks) * 262144 + 1000, 5)) {
    WriteFile(dir_ / "c.img", source_);
    FileVolume c;
    c.path = dir_ / "c.img";
    c.totalFreeBytes = 1000;
    ops_.AddVolume('C', c);
    FileVolume e;
    e.path = dir_ / "e.img";
    WriteFile(e.path, PatternBytes(4096, 6));
    e.totalFreeBytes = std::int64_t(1) << 40;
    ops_.AddVolume('E', e);
    test::Run("mkdir -p " + Quote(dir_ / "one"));
    ops_.SetPathLetter(dir_ / "one", 'E');
    windows_ = std::make_unique<Windows>(ops_);
  }

  // The length of drive C.
  std::int64_t Size() const { return static_cast<std::int64_t>(source_.size()); }
  MainWindow& main() { return windows_->main(); }

  // The source volume, for its faults.
  FileVolume& Source() { return ops_.Volume('C'); }

  // Runs in every event pump while the copy runs, with the pump's number
  // from 1 (the job pumps in every report, paused passes too).
  std::function<void(int)> duringPump;
  // Runs while the success message stands, before it is answered.
  std::function<void()> atSuccess;
  // Runs while any prompt stands, before it is answered.
  std::function<void(PromptKind)> atPrompt;
  int pumps = 0;

  // Runs the copy; true when it ended with the success message and an image
  // equal to the volume.
  bool Run() {
    const std::vector<PromptKind> kinds = RunAnswering({PromptButton::OK});
    return kinds == std::vector<PromptKind>{PromptKind::Information} && ReadFile(Image()) == source_;
  }

  // Runs the copy with its prompts answered by `buttons` in turn (Cancel
  // once they run out); the kinds of the prompts it showed.
  std::vector<PromptKind> RunAnswering(std::vector<PromptButton> buttons) {
    windows_->AnswerSaveDialog({Image()});
    windows_->AnswerPrompts(std::move(buttons));
    const auto answer = vorkan::test::AnswerPrompts({});
    vorkan::test::AnswerPrompts([this, answer](PromptBox& form) {
      if (form.Kind() == PromptKind::Information && atSuccess) atSuccess();
      if (atPrompt) atPrompt(form.Kind());
      answer(form);
    });
    QObject context;
    bool running = true;
    std::function<void()> pump = [&] {
      if (!running) return;
      ++pumps;
      if (duringPump) duringPump(pumps);
      QTimer::singleShot(0, &context, pump);
    };
    QTimer::singleShot(0, &context, pump);
    QTest::mouseClick(Control<QPushButton>(main(), "copyButton"), Qt::LeftButton);
    running = false;
    std::vector<PromptKind> kinds;
    for (const SeenPrompt& prompt : windows_->prompts) kinds.push_back(prompt.kind);
    windows_->prompts.clear();
    return kinds;
  }

 private:
  std::string Image() const { return dir_ / "one/c.IMA"; }

  TempDir dir_;
  CountingVolumeOps ops_;
  std::string source_;
  std::unique_ptr<Windows> windows_;
};

}  // namespace vorkan::test
