// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyOptions.h"

namespace vorkan::cli {

bool ParseCopyOptions(const std::vector<std::string>& words, CopyOptions& options, std::string& error) {
  std::vector<std::string> operands;
  bool optionsEnd = false;
  for (const std::string& word : words) {
    if (optionsEnd || word.size() < 2 || word[0] != '-') {
      operands.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnd = true;
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else if (word == "--replace") {
      options.replace = true;
    } else if (word == "--force") {
      options.force = true;
    } else if (word == "--lock") {
      options.lock = true;
    } else if (word == "--keep-partial") {
      options.keepPartial = true;
    } else if (word == "--sha256") {
      options.sha256 = true;
    } else if (word == "--checksum-file") {
      options.sha256 = options.checksumFile = true;
    } else if (word == "--verify") {
      options.verify = true;
    } else if (word == "--progress") {
      options.progress = CopyOptions::Progress::Lines;
    } else if (word == "--progress=json") {
      options.progress = CopyOptions::Progress::Json;
    } else {
      error = "unknown option " + word;
      return false;
    }
  }
  if (options.help) return true;
  if (operands.size() != 2) {
    error = operands.size() < 2 ? "copy needs a SOURCE and an IMAGE" : "too many operands: " + operands[2];
    return false;
  }
  options.source = operands[0];
  options.image = operands[1];
  if (options.image.empty()) {
    error = "the IMAGE name is empty";
    return false;
  }
  return true;
}

}  // namespace vorkan::cli
