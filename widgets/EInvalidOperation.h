// SPDX-License-Identifier: GPL-3.0-or-later
// The error a control raises when asked for something its state forbids,
// such as a range whose minimum lies above its maximum.
#pragma once

#include <stdexcept>
#include <string>

namespace vorkan {

class EInvalidOperation : public std::logic_error {
 public:
  explicit EInvalidOperation(const std::string& message) : std::logic_error(message) {}
};

}  // namespace vorkan
