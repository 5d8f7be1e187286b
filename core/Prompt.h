// SPDX-License-Identifier: GPL-3.0-or-later
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

// What a prompt answers with: the button pressed, Cancel when it was closed
// without one. The message box's modal run ends with the same numbers.
enum class PromptResult : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The result a button returns.
constexpr PromptResult ResultOf(PromptButton b) {
  switch (b) {
    case PromptButton::Yes: return PromptResult::Yes;
    case PromptButton::No: return PromptResult::No;
    case PromptButton::OK: return PromptResult::Ok;
    case PromptButton::Cancel: return PromptResult::Cancel;
    case PromptButton::Abort: return PromptResult::Abort;
    case PromptButton::Retry: return PromptResult::Retry;
    case PromptButton::Ignore: return PromptResult::Ignore;
  }
  return PromptResult::Cancel;
}

// What a prompt of the copy is about, beside its text, so that a front end
// can answer and word it without reading the text.
enum class PromptId {
  ImageNotCreated,   // the image file cannot be made in the target folder
  SourceUnreadable,  // the volume cannot be opened, or holds nothing
  LockRefused,       // Abort, Retry or Ignore
  SourceMissing,     // a read failed
  EndOfDataEarly,    // the data ended short of the volume: Cancel or Retry
  WriteFailed,       // the image could not be written, flushed, named or closed
  KeepPartial,       // Yes keeps what was copied, No deletes it
  KeptElsewhere,     // a kept image took another name, or stayed partial
  NotKept,           // a kept image could be given no name at all
  RoomShortage,      // Cancel, Retry or Ignore
  SameDrive,         // the image would go on the volume copied: Yes, No or Cancel
  Copied,            // success, naming where the image is
};

}  // namespace vorkan
