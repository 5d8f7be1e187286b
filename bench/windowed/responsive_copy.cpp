// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own windows copying one real volume, for responsiveness.sh:
// the drive row of SOURCE (a block device with a drive letter) is selected,
// the save dialog answers TARGET and the copy button is pressed; everything
// after that (Pause, the close, the prompts) is left to the tool that
// measures it. With --blocking the asynchronous read is refused, as where
// the kernel does not allow it: the peer that shows what a blocking read
// costs the windows. Exits 0 once the copy has returned.
// Usage: responsive_copy [--blocking] SOURCE TARGET
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <cstring>
#include <string>

#include "AppWindows.h"
#include "ShowPrompt.h"
#include "MainWindow.h"
#include "SaveImageDialog.h"
#include "VorkanApplication.h"
#include "volume/AsyncRead.h"
#include "volume/LinuxVolumeOps.h"

int main(int argc, char** argv) {
  const bool blocking = argc == 4 && std::strcmp(argv[1], "--blocking") == 0;
  if (argc != 3 + (blocking ? 1 : 0)) {
    std::fprintf(stderr, "usage: %s [--blocking] SOURCE TARGET\n", argv[0]);
    return 2;
  }
  const std::string source = argv[argc - 2], target = argv[argc - 1];
  vorkan::VorkanApplication app(argc, argv);
  vorkan::InstallFaultBox();
  vorkan::AsyncRead::Refuse(blocking);
  vorkan::LinuxVolumeOps ops;
  ops.RefreshDrives();
  const std::string name = source.substr(source.rfind('/') + 1);
  const char letter = ops.Map().LetterOfDevice(name);
  if (letter == 0) {
    std::fprintf(stderr, "%s has no drive letter\n", source.c_str());
    return 2;
  }
  CreateWindows(ops);
  mainWindow->SetSaveDialogRunner([&](SaveImageDialog& dialog) {
    dialog.SetNameText(QString::fromStdString(target));
    dialog.accept();
    return dialog.result();
  });
  mainWindow->show();
  QTreeView* list = mainWindow->findChild<QTreeView*>(QStringLiteral("driveList"));
  const QString root = QString(QChar(letter)) + QStringLiteral(":\\");
  const QAbstractItemModel* model = list != nullptr ? list->model() : nullptr;
  for (int row = 0; model != nullptr && row < model->rowCount(); ++row)
    if (model->index(row, 0).data().toString() == root) list->setCurrentIndex(model->index(row, 0));
  if (mainWindow->SelectedIndex() < 0) {
    std::fprintf(stderr, "no row for %s in the drive list\n", root.toStdString().c_str());
    return 2;
  }
  QTimer::singleShot(0, [] {
    mainWindow->findChild<QPushButton*>(QStringLiteral("copyButton"))->click();
    QCoreApplication::exit(0);
  });
  const int result = app.exec();
  DestroyWindows();
  return result;
}
