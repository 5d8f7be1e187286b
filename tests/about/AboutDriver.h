// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers that drive the about window the way the main window opens it.
#pragma once

#include <QLabel>
#include <QString>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "Controls.h"
#include "AboutWindow.h"

namespace vorkan::testing {

// Opens the window modally, as the main window does, runs `act` from inside
// its event loop and returns how it ended. A window that `act` leaves open is
// closed with its close box so that no test hangs.
inline int RunModal(AboutWindow& form, const std::function<void(AboutWindow&)>& act) {
  QTimer::singleShot(0, &form, [&form, &act] {
    act(form);
    if (form.isVisible()) form.close();
  });
  return form.exec();
}

}  // namespace vorkan::testing
