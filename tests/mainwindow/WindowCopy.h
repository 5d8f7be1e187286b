// A whole copy through the program's windows over the file-backed volume
// layer: drive C (a file of whole 256 KiB blocks and a little more) into an
// image on drive E, started with the main window's copy button, with hooks
// into the job's event pumps and at the success message.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "MainWindowDriver.h"
#include "TestSupport.h"

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
  TForm1& main() { return windows_->main(); }

  // Runs in every event pump while the copy runs, with the pump's number
  // from 1 (the job pumps in every report, paused passes too).
  std::function<void(int)> duringPump;
  // Runs while the success message stands, before it is answered.
  std::function<void()> atSuccess;
  int pumps = 0;

  // Runs the copy; true when it ended with the success message and an image
  // equal to the volume.
  bool Run() {
    const std::string image = dir_ / "one/c.IMA";
    windows_->AnswerSaveDialog({image});
    windows_->AnswerPrompts({PromptButton::OK});
    const auto answer = TMessageForm::answerer;
    TMessageForm::answerer = [this, answer](TMessageForm& form) {
      if (form.Kind() == PromptKind::Information && atSuccess) atSuccess();
      answer(form);
    };
    QObject context;
    bool running = true;
    std::function<void()> pump = [&] {
      if (!running) return;
      ++pumps;
      if (duringPump) duringPump(pumps);
      QTimer::singleShot(0, &context, pump);
    };
    QTimer::singleShot(0, &context, pump);
    QTest::mouseClick(Control<QPushButton>(main(), "Button1"), Qt::LeftButton);
    running = false;
    return windows_->prompts.size() == 1 && windows_->prompts[0].kind == PromptKind::Information &&
           ReadFile(image) == source_;
  }

 private:
  TempDir dir_;
  CountingVolumeOps ops_;
  std::string source_;
  std::unique_ptr<Windows> windows_;
};

}  // namespace vorkan::test
