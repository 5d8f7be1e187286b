// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of a window, reached by the object names its layout gives
// them ("copyButton", "driveList"), as the user knows them by their places.
#pragma once

#include <QObject>
#include <QString>
#include <gtest/gtest.h>

namespace vorkan::test {

// The control `name` of `window`, of type T; the test fails when the window
// has none.
template <typename T>
T* Control(const QObject& window, const QString& name) {
  T* control = window.findChild<T*>(name);
  EXPECT_NE(control, nullptr) << "no control " << name.toStdString();
  return control;
}

}  // namespace vorkan::test
