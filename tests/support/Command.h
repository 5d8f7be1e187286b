// SPDX-License-Identifier: GPL-3.0-or-later
// Shell commands for test set-up and for asking the system's own tools.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vorkan::test {

// `text` as one single-quoted shell word.
std::string Quote(const std::string& text);

struct CommandResult {
  int status = -1;  // exit code, -1 when it could not run
  std::string output;
};

// Runs a shell command line with stderr folded into the output; redirections
// inside the command still apply to it.
CommandResult Run(const std::string& command);
// The output without its trailing line feeds and spaces.
std::string Trimmed(std::string text);
bool HaveTool(const std::string& tool);
bool IsRoot();
// Runs `body` in a child process as the unprivileged user 65534 and returns
// what it wrote; nullopt when the child could not drop its rights.
std::optional<std::string> RunAsNobody(const std::function<std::string()>& body);

}  // namespace vorkan::test
