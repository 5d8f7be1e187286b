// SPDX-License-Identifier: GPL-3.0-or-later
#include "Locale.h"

#include <clocale>

namespace vorkan {

void InitLocale() { std::setlocale(LC_ALL, ""); }

}  // namespace vorkan
