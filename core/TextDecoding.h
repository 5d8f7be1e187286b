// SPDX-License-Identifier: GPL-3.0-or-later
// Bytes from outside the program (volume labels) turned into the UTF-8 the
// windows show: a strict UTF-8 check, a repair that puts U+FFFD in place of
// what is not UTF-8, and the DOS Cyrillic code page 866 that DOS and Windows
// write FAT labels in.
#pragma once

#include <string>
#include <string_view>

namespace vorkan {

// True when `text` is well-formed UTF-8: no stray continuation bytes, no
// truncated sequences, no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// `text` with every ill-formed part replaced by U+FFFD, one for each maximal
// part that could have begun a sequence (the way Unicode recommends), so that
// a damaged byte never swallows the valid characters after it.
std::string ToValidUtf8(std::string_view text);

// Code page 866 bytes as UTF-8; the lower half is ASCII.
std::string Cp866ToUtf8(std::string_view bytes);

}  // namespace vorkan
