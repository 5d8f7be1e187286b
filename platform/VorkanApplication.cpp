// SPDX-License-Identifier: GPL-3.0-or-later
#include "VorkanApplication.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <exception>
#include <utility>

#include "Application.h"

namespace vorkan {

namespace {

void PlainFaultBox(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok);
  box.exec();
}

VorkanApplication::FaultPresenter& Presenter() {
  static VorkanApplication::FaultPresenter presenter = PlainFaultBox;
  return presenter;
}

}  // namespace

std::string FaultMessage(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

VorkanApplication::VorkanApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The Wayland app id and the name desktops match with the menu entry and
  // the launcher-entry signal, whatever the program file is called.
  setDesktopFileName(QStringLiteral("vorkan"));
}

bool VorkanApplication::notify(QObject* receiver, QEvent* event) {
  // Before any window or control sees the key, and once per key event: a
  // real one comes here first for its native window, then for the widget.
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      receiver->isWidgetType()) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (KeyStrokeFilter::Watches(receiver, *key) && !keys_.Pass(*static_cast<QWidget*>(receiver), *key))
      return true;
  }
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& fault) {
    ShowFault(fault.what());
    return false;
  }
}

void VorkanApplication::ShowFault(const std::string& message) {
  const FaultPresenter presenter = Presenter();
  if (presenter) presenter(Application::Instance().Title(), FaultMessage(message));
}

VorkanApplication::FaultPresenter VorkanApplication::SetFaultPresenter(FaultPresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

}  // namespace vorkan
