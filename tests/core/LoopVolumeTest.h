// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the tests that copy real loop volumes: skipped with the
// reason where loop devices cannot be made, and with the separators of the
// texts they compare fixed.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "LocaleSeparators.h"
#include "LoopDevice.h"

namespace vorkan::test {

class LoopVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    OverrideSeparators(std::string(","), std::string(" "));
  }
  void TearDown() override {
    if (!IsSkipped()) OverrideSeparators(std::nullopt, std::nullopt);
  }
};

}  // namespace vorkan::test
