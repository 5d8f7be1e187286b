// SPDX-License-Identifier: GPL-3.0-or-later
// The program's QApplication: a fault that escapes an event handler ends that
// handler and is shown in the fault box instead of ending the program, and
// every key acts once, however long it is held (KeyStrokeFilter).
#pragma once

#include <QApplication>
#include <functional>
#include <string>

#include "KeyStrokeFilter.h"

namespace vorkan {

// The text the fault box shows for a fault's message: the message with "."
// added when its last character sorts after "." (as an unsigned byte).
std::string FaultMessage(const std::string& message);

class VorkanApplication : public QApplication {
  Q_OBJECT

 public:
  // Shows the fault box: the box title and the text (already with its ".").
  using FaultPresenter = std::function<void(const std::string& title, const std::string& text)>;

  VorkanApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows a fault's message in the fault box, titled with the application
  // title.
  static void ShowFault(const std::string& message);

  // The box that shows faults; the message prompt box installs itself here.
  // Until then a plain critical message box is used. Returns the previous one.
  static FaultPresenter SetFaultPresenter(FaultPresenter presenter);

 private:
  KeyStrokeFilter keys_;
};

}  // namespace vorkan
