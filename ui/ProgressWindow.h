// SPDX-License-Identifier: GPL-3.0-or-later
// ProgressWindow: the progress window of a running disk copy. The copy job shows,
// updates and finally hides it through ShowCopyProgress; its buttons answer
// the user only by setting the main window's request flags, by minimising the
// application, or by changing the process priority.
#pragma once

#include <QDialog>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "SleepInhibitor.h"

class QCloseEvent;
class QKeyEvent;
class QLineEdit;

namespace Ui {
class ProgressWindow;
}

namespace vorkan {
class ProgressGauge;
}

class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  // `mainWindow` is hidden and disabled while the window is shown and given
  // back when it is hidden; the flags are the main window's request bytes.
  ProgressWindow(QWidget* mainWindow, std::uint8_t& fAbort, std::uint8_t& fPause);
  ~ProgressWindow() override;

  // show true: shows the window if it is hidden (centred on the screen),
  // pumps pending events, then puts the texts and the gauge values on it (a
  // text that changes at every report reaches its field at most about once a
  // screen refresh, and always before the field is drawn, touched or read by
  // the user, and when the event loop goes idle).
  // Sleep is held off from the showing to the hiding (and until the window
  // is destroyed).
  // show false: resets the status line, the pause button and the priority
  // list, hides the window and gives the main window back. A maximum below 0
  // is refused by the gauge (EInvalidOperation) after the texts are set.
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position, bool show);

  // The gauge's whole percentage.
  std::int32_t PercentComplete() const;

  vorkan::ProgressGauge& Gauge() const;

 public slots:
  // The window is never closed by Esc or by a dialog answer: only the job
  // hides it.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setRussianTexts();
  // Always refuses; asks for the abort confirmation instead.
  void refuseClose(bool& canClose);
  void askToAbort();
  void minimizeProgram();
  void togglePause();
  void changePriority();

  // Fields by index: 0 fileNameField (file name), 1 freeSpaceField (free space), 2 copiedField
  // (bytes copied).
  std::array<QLineEdit*, 3> Fields() const;
  void PutField(int index, const std::string& text, bool now);
  void PutShownText(int index, const std::string& text);
  void ShowPendingTexts();

  std::unique_ptr<Ui::ProgressWindow> ui_;
  QWidget* mainWindow_;
  std::uint8_t& abortRequested;
  std::uint8_t& pauseRequested;
  std::chrono::steady_clock::time_point lastFieldPaint_{};
  // What the fields and the caption show (the job passes the same texts
  // again and again), and the texts still to be put on the fields.
  std::array<std::string, 3> shownTexts_;
  std::string shownCaption_;
  std::array<std::optional<std::string>, 3> pendingTexts_;
  vorkan::SleepInhibitor sleepInhibitor_;
};
