#include "TextFormat.h"

namespace vorkan {

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == 's') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
      if (pattern[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace vorkan
