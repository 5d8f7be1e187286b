// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the application object, the user's locale and Qt's own texts in
// the desktop's language, the title, the four windows and the message loop,
// which runs until the main window closes. With arguments, the command line
// instead, which needs no display.
#include "Application.h"
#include "AppWindows.h"
#include "CommandLine.h"
#include "Locale.h"
#include "QtTranslations.h"
#include "ShowPrompt.h"
#include "MainWindow.h"
#include "UDisksOpener.h"
#include "VorkanApplication.h"
#include "volume/LinuxVolumeOps.h"

int main(int argc, char** argv) {
  if (argc > 1) return vorkan::cli::RunCommandLine(argc, argv);
  vorkan::VorkanApplication app(argc, argv);
  vorkan::InstallFaultBox();
  vorkan::InitLocale();
  vorkan::InstallQtTranslations();
  vorkan::Application::Instance().SetTitle("Vorkan");

  // Volumes the user may not open are opened through udisks2, after the
  // desktop's authorization.
  vorkan::UDisksOpener opener;
  vorkan::LinuxVolumeOps volumes;
  volumes.SetDeviceOpener(&opener);
  CreateWindows(volumes);
  mainWindow->show();  // centred on the screen the first time
  const int result = app.exec();
  DestroyWindows();
  return result;
}
