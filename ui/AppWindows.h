// SPDX-License-Identifier: GPL-3.0-or-later
// The program's four windows, one instance each, living from start-up to the
// end of the process.
#pragma once

#include "volume/VolumeOps.h"

class MainWindow;
class ProgressWindow;
class DriveDetailsWindow;
class AboutWindow;

extern MainWindow* mainWindow;
extern ProgressWindow* progressWindow;
extern DriveDetailsWindow* detailsWindow;
extern AboutWindow* aboutWindow;

// Creates the windows in their order: the main window first (its drive list is
// filled while it is made), then the progress, drive information and about
// windows, all hidden.
void CreateWindows(vorkan::VolumeOps& ops);
// Destroys them again, the last made first.
void DestroyWindows();
