// SPDX-License-Identifier: GPL-3.0-or-later
// Every text of the four windows is drawn in one face:
// the windows' font, whose fallback keeps the captions within the controls
// they were laid out for. A control that names a family of its own in its
// layout would bypass that fallback and take fontconfig's wider stand-in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>

#include "AppWindows.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "DriveDetailsWindow.h"
#include "AboutWindow.h"
#include "WindowStyle.h"
#include "FileVolumeOps.h"

namespace {

TEST(WindowFaces, EveryLabelButtonAndFieldOfEveryWindowResolvesToTheWindowFace) {
  vorkan::FileVolumeOps ops;
  CreateWindows(ops);
  const QString face = QFontInfo(vorkan::WindowFont()).family();
  const struct {
    const char* name;
    QWidget* window;
  } windows[] = {
      {"main", mainWindow}, {"progress", progressWindow}, {"details", detailsWindow}, {"about", aboutWindow}};
  for (const auto& w : windows) {
    int texts = 0;
    for (QWidget* control : w.window->findChildren<QWidget*>()) {
      if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control) &&
          !qobject_cast<QLineEdit*>(control))
        continue;
      // The file dialog of the main window is the desktop's, not laid out here.
      if (control->window() != w.window) continue;
      ++texts;
      EXPECT_EQ(QFontInfo(control->font()).family().toStdString(), face.toStdString())
          << w.name << " window, " << control->metaObject()->className() << " "
          << control->objectName().toStdString();
    }
    EXPECT_GT(texts, 1) << w.name << " window";
  }
  DestroyWindows();
}

}  // namespace
