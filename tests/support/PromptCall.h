// SPDX-License-Identifier: GPL-3.0-or-later
// One message prompt as a test saw it.
#pragma once

#include <string>

#include "Prompt.h"

namespace vorkan::test {

struct PromptCall {
  std::string text;
  PromptKind kind;
  PromptButtons buttons;
  PromptId id{};  // where the prompt comes from the copy
};

}  // namespace vorkan::test
