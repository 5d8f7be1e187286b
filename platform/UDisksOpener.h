// SPDX-License-Identifier: GPL-3.0-or-later
// Block devices opened through udisks2 on the system bus: the desktop's way
// for a user to read a device whose node only root may open. udisks2 asks
// polkit, which may show the desktop's password prompt, and hands back a
// descriptor. Without a system bus or without udisks2 every call fails at
// once, and the program goes on as if there were no opener.
#pragma once

#include <string>
#include <utility>

#include "volume/DeviceOpener.h"

namespace vorkan {

class UDisksOpener : public DeviceOpener {
 public:
  // How long an open may wait for the user at the password prompt. The
  // prompt has no time limit of its own and the bus's default of 25 s would
  // give up while the user is still typing (udisks2 then closes the late
  // descriptor); ten minutes lets a user step away and come back, and still
  // ends the wait on a service that never answers. Closing the main window
  // ends it at once.
  static constexpr int kPromptTimeoutMs = 10 * 60 * 1000;
  // Calls that never ask anyone answer in milliseconds; this only bounds a
  // service that hangs.
  static constexpr int kQuickTimeoutMs = 5000;

  // On the system bus, or on the bus at `busAddress` (tests).
  UDisksOpener() = default;
  explicit UDisksOpener(std::string busAddress) : busAddress_(std::move(busAddress)) {}
  ~UDisksOpener() override;
  UDisksOpener(const UDisksOpener&) = delete;
  UDisksOpener& operator=(const UDisksOpener&) = delete;

  int Open(const std::string& devicePath, int extraFlags, bool mayAsk) override;
  bool Properties(const std::string& devicePath, BlockProperties& out) override;

 private:
  std::string busAddress_;  // empty: the system bus
  bool asking_ = false;     // an open is waiting for the user
};

}  // namespace vorkan
