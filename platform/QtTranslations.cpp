// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vorkan {

void InstallQtTranslations() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace vorkan
