// SPDX-License-Identifier: GPL-3.0-or-later
// The user's decimal and thousands separators. Each is one character, kept as
// UTF-8 text because many locales use a non-ASCII one (a no-break space).
#pragma once

#include <optional>
#include <string>

namespace vorkan {

// The first character of the locale's decimal separator; "." when unknown.
std::string DecimalSeparator();
// The first character of the locale's thousands separator; "," when it cannot
// be read, empty when the locale groups without a separator.
std::string ThousandsSeparator();

// Fixes the separators regardless of the locale (tests, and a user setting if
// one ever exists); std::nullopt goes back to reading the locale.
void OverrideSeparators(std::optional<std::string> decimal, std::optional<std::string> thousands);

// The first UTF-8 character of `text` (empty text gives empty).
std::string FirstCharacter(const std::string& text);

}  // namespace vorkan
