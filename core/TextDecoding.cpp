// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextDecoding.h"

#include <cstdint>

namespace vorkan {
namespace {

// The upper half of code page 866: Cyrillic letters, box drawing, a few signs.
constexpr char16_t kCp866High[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407,
    0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// How many bytes from `i` form one well-formed character (`valid` true), or
// else how many form the longest start of one (at least 1).
std::size_t NextSequence(std::string_view text, std::size_t i, bool& valid) {
  const auto b = static_cast<std::uint8_t>(text[i]);
  valid = b < 0x80;
  if (valid) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
  if (b >= 0xC2 && b <= 0xDF)
    length = 2;
  else if (b == 0xE0)
    length = 3, low = 0xA0;  // no overlong forms
  else if (b == 0xED)
    length = 3, high = 0x9F;  // no surrogates
  else if (b >= 0xE1 && b <= 0xEF)
    length = 3;
  else if (b == 0xF0)
    length = 4, low = 0x90;  // no overlong forms
  else if (b >= 0xF1 && b <= 0xF3)
    length = 4;
  else if (b == 0xF4)
    length = 4, high = 0x8F;  // nothing above U+10FFFF
  else
    return 1;  // a continuation byte, C0, C1 or F5 to FF
  std::size_t n = 1;
  for (; n < length && i + n < text.size(); ++n) {
    const auto c = static_cast<std::uint8_t>(text[i + n]);
    if (c < (n == 1 ? low : 0x80) || c > (n == 1 ? high : 0xBF)) break;
  }
  valid = n == length;
  return n;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    bool valid = false;
    i += NextSequence(text, i, valid);
    if (!valid) return false;
  }
  return true;
}

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    bool valid = false;
    const std::size_t n = NextSequence(text, i, valid);
    if (valid)
      out.append(text.substr(i, n));
    else
      out += kReplacement;
    i += n;
  }
  return out;
}

std::string Cp866ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    AppendUtf8(out, b < 0x80 ? char32_t{b} : char32_t{kCp866High[b - 0x80]});
  }
  return out;
}

}  // namespace vorkan
