// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceLetter.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "DriveCatalogue.h"

namespace vorkan::cli {
namespace {

// "C", "c:" name a letter; anything else is a path ("./C" a file named C).
std::optional<char> LetterNamed(const std::string& source) {
  if (source.empty() || source.size() > 2 || !std::isalpha(static_cast<unsigned char>(source[0])))
    return std::nullopt;
  if (source.size() == 2 && source[1] != ':') return std::nullopt;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(source[0])));
}

}  // namespace

char SourceLetter(LinuxVolumeOps& ops, const std::string& source) {
  if (const std::optional<char> letter = LetterNamed(source)) {
    ops.RefreshDrives();
    if (MediaTypeText(ops.KindOf(RootPathOf(*letter)))) return *letter;
    std::fprintf(stderr, "vorkan: there is no drive %c: (vorkan list shows them)\n", *letter);
    return 0;
  }
  const char letter = ops.AddSource(source);
  if (letter == 0) {
    const std::string why = errno == ENOTBLK
                                ? "not a device, a regular file or the folder a volume is mounted on"
                                : std::strerror(errno);
    std::fprintf(stderr, "vorkan: %s: %s\n", source.c_str(), why.c_str());
  }
  return letter;
}

}  // namespace vorkan::cli
