// Every text of the four windows is drawn in one face:
// the windows' font, whose fallback keeps the captions within the controls
// they were laid out for. A control that names a family of its own in its
// layout would bypass that fallback and take fontconfig's wider stand-in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>

#include "Forms.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"
#include "WindowStyle.h"
#include "FileVolumeOps.h"

namespace {

TEST(WindowFaces, EveryLabelButtonAndFieldOfEveryWindowResolvesToTheWindowFace) {
  vorkan::FileVolumeOps ops;
  CreateForms(ops);
  const QString face = QFontInfo(vorkan::WindowFont()).family();
  const struct {
    const char* name;
    QWidget* window;
  } windows[] = {{"main", Form1}, {"progress", Form2}, {"details", Form3}, {"about", Form4}};
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
  DestroyForms();
}

}  // namespace
