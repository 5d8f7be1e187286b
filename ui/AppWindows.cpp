// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppWindows.h"

#include "MainWindow.h"
#include "ProgressWindow.h"
#include "DriveDetailsWindow.h"
#include "AboutWindow.h"

MainWindow* mainWindow = nullptr;
ProgressWindow* progressWindow = nullptr;
DriveDetailsWindow* detailsWindow = nullptr;
AboutWindow* aboutWindow = nullptr;

void CreateWindows(vorkan::VolumeOps& ops) {
  mainWindow = new MainWindow(ops);
  progressWindow = new ProgressWindow(mainWindow, mainWindow->abortRequested, mainWindow->pauseRequested);
  detailsWindow = new DriveDetailsWindow(mainWindow);
  aboutWindow = new AboutWindow(mainWindow);
  mainWindow->UseWindows(progressWindow, detailsWindow, aboutWindow);
}

void DestroyWindows() {
  delete aboutWindow;
  aboutWindow = nullptr;
  delete detailsWindow;
  detailsWindow = nullptr;
  delete progressWindow;
  progressWindow = nullptr;
  delete mainWindow;
  mainWindow = nullptr;
}
