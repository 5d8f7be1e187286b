// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

namespace vorkan {

namespace {

void StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList args;
  for (const std::string& a : arguments) args.append(QString::fromStdString(a));
  QProcess::startDetached(QString::fromStdString(program), args);
}

Opener& CurrentOpener() {
  static Opener opener = StartDetached;
  return opener;
}

}  // namespace

void OpenWithDesktop(const std::string& target) { CurrentOpener()("xdg-open", {target}); }

Opener SetOpener(Opener opener) {
  if (!opener) opener = StartDetached;
  return std::exchange(CurrentOpener(), std::move(opener));
}

}  // namespace vorkan
