// SPDX-License-Identifier: GPL-3.0-or-later
// What the disk copy job needs of the interface. The windows implement it; a
// recorder that answers prompts is enough to run a job without any window.
#pragma once

#include <cstdint>
#include <string>

#include "Prompt.h"

namespace vorkan {

class CopyJobHost {
 public:
  virtual ~CopyJobHost() = default;

  // Modal; Cancel at once while the application is terminating.
  virtual PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                                  PromptButtons buttons) = 0;
  // show true: shows the progress window if hidden, pumps pending events, then
  // puts the values on it; show false: hides it and gives the main window back.
  virtual void ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                const std::string& doneText, const std::string& freeText,
                                std::int32_t maximum, std::int32_t position, bool show) = 0;
  // The main window's one-byte request flags; set only when exactly 1.
  virtual std::uint8_t GetAbortFlag() = 0;
  virtual std::uint8_t GetPauseFlag() = 0;
  // Dispatches every pending event and returns without waiting.
  virtual void ProcessPendingEvents() = 0;
  // Returns true once `fd` is readable (a read of the volume has ended),
  // dispatching the windows' events meanwhile as ProcessPendingEvents
  // does; without windows it only waits. False when the program is ending
  // first: nobody waits for the read then.
  virtual bool WaitForDescriptor(int fd);
  virtual bool GetLockOption() = 0;
  virtual void SetLockOption(bool locked) = 0;
  virtual std::string GetMainCaption() = 0;
  virtual void SetAppTitle(const std::string& title) = 0;
  // The gauge's whole percentage after the last ShowCopyProgress.
  virtual std::int32_t GetPercentComplete() = 0;

  // After every block the image took, in order: its bytes, then the count
  // copied so far beside the volume's length. For a front end that counts
  // bytes or digests them; the windows need neither.
  virtual void BlockWritten(const void* data, std::uint32_t size) { (void)data, (void)size; }
  virtual void BytesCopied(std::int64_t copied, std::int64_t length) { (void)copied, (void)length; }
};

// The gauge's arithmetic for a host without a gauge: floor(100 * position /
// maximum) with the position held within 0..maximum, 0 for a zero maximum.
std::int32_t PercentOfProgress(std::int32_t maximum, std::int32_t position);

}  // namespace vorkan
