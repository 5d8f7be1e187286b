// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "CopyCommand.h"
#include "CopyOptions.h"
#include "ExitStatus.h"
#include "ListCommand.h"
#include "Usage.h"
#include "VerifyCommand.h"

namespace vorkan::cli {
namespace {

int UsageError(const std::string& why) {
  std::fprintf(stderr, "vorkan: %s\n%s", why.c_str(), UsageText());
  return kUsage;
}

int Help(const char* text) {
  std::fputs(text, stdout);
  return kSuccess;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  const std::string& command = words.at(0);
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  if (command == "--help" || command == "-h" || command == "help") return Help(MainHelp());
  if (command == "--version") {
    std::printf("vorkan %s\n", VORKAN_VERSION);
    return kSuccess;
  }

  // The bus calls of the udisks2 opener and the sleep inhibitor want an
  // application object; never one with windows.
  int qtArgc = 1;
  QCoreApplication app(qtArgc, argv);

  if (command == "list") {
    bool json = false;
    for (const std::string& word : rest) {
      if (word == "--help" || word == "-h") return Help(ListHelp());
      if (word != "--json")
        return UsageError((word.rfind('-', 0) == 0 ? "unknown option " : "unexpected operand ") + word);
      json = true;
    }
    return RunList(json);
  }
  if (command == "copy") {
    CopyOptions options;
    std::string error;
    if (!ParseCopyOptions(rest, options, error)) return UsageError(error);
    if (options.help) return Help(CopyHelp());
    return RunCopy(options);
  }
  if (command == "verify") {
    std::vector<std::string> operands;
    for (const std::string& word : rest) {
      if (word == "--help" || word == "-h") return Help(VerifyHelp());
      if (word.size() > 1 && word[0] == '-') return UsageError("unknown option " + word);
      operands.push_back(word);
    }
    if (operands.empty() || operands.size() > 2)
      return UsageError("verify needs an IMAGE and at most a SOURCE");
    return RunVerify(operands[0], operands.size() == 2 ? operands[1] : std::string());
  }
  return UsageError((command.rfind('-', 0) == 0 ? "unknown option " : "unknown command ") + command);
}

}  // namespace vorkan::cli
