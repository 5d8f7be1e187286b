// The one modal message box every question and report goes through: its kinds,
// buttons and result codes. The box itself lives in the user interface.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace vorkan {

enum class PromptKind : int { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// Bit n of a button set stands for the button with value n.
enum class PromptButton : int { Yes = 0, No = 1, OK = 2, Cancel = 3, Abort = 4, Retry = 5, Ignore = 6 };

using PromptButtons = std::uint16_t;

constexpr PromptButtons ButtonSet(std::initializer_list<PromptButton> buttons) {
  PromptButtons set = 0;
  for (PromptButton b : buttons) set = static_cast<PromptButtons>(set | (1u << static_cast<int>(b)));
  return set;
}

constexpr bool HasButton(PromptButtons set, PromptButton b) {
  return (set & (1u << static_cast<int>(b))) != 0;
}

// Result codes; modal windows end with the same codes (1 OK, 2 Cancel).
using PromptResult = std::int32_t;
constexpr PromptResult mrOk = 1;
constexpr PromptResult mrCancel = 2;
constexpr PromptResult mrAbort = 3;
constexpr PromptResult mrRetry = 4;
constexpr PromptResult mrIgnore = 5;
constexpr PromptResult mrYes = 6;
constexpr PromptResult mrNo = 7;

// The result a button returns.
constexpr PromptResult ResultOf(PromptButton b) {
  switch (b) {
    case PromptButton::Yes: return mrYes;
    case PromptButton::No: return mrNo;
    case PromptButton::OK: return mrOk;
    case PromptButton::Cancel: return mrCancel;
    case PromptButton::Abort: return mrAbort;
    case PromptButton::Retry: return mrRetry;
    case PromptButton::Ignore: return mrIgnore;
  }
  return mrCancel;
}

}  // namespace vorkan
