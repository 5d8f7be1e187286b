// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (the file dialog, its questions, the standard buttons) in
// the desktop's language, from the translations Qt ships.
#pragma once

namespace vorkan {

// Loads Qt's "qtbase" catalogue for the system locale (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG) into the application; none is found for C or English,
// and the texts stay English. Call once the application object exists.
void InstallQtTranslations();

}  // namespace vorkan
