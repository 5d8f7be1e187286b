// Helpers that drive the about window the way the main window opens it.
#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "TForm4.h"

namespace vorkan::testing {

// A control of the window by name; the test fails when it is missing.
template <typename T>
T* Control(TForm4& form, const char* name) {
  T* control = form.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// Opens the window modally, as the main window does, runs `act` from inside
// its event loop and returns how it ended. A window that `act` leaves open is
// closed with its close box so that no test hangs.
inline int RunModal(TForm4& form, const std::function<void(TForm4&)>& act) {
  QTimer::singleShot(0, &form, [&form, &act] {
    act(form);
    if (form.isVisible()) form.close();
  });
  return form.exec();
}

}  // namespace vorkan::testing
