// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every window test program: the application object the
// windows need, made before any test runs.
#include <gtest/gtest.h>

#include "VorkanApplication.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // ctest lists the tests at the start of a run, where no screen is set.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  vorkan::VorkanApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
