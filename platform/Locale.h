// SPDX-License-Identifier: GPL-3.0-or-later
// The user's locale, taken over at start-up so that numbers follow it.
#pragma once

namespace vorkan {

// Takes the locale from the environment (LANG, LC_ALL, ...) for every category.
void InitLocale();

}  // namespace vorkan
