// SPDX-License-Identifier: GPL-3.0-or-later
// The font every window uses, the fixed frames, the separators and the
// button face.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLineEdit>

#include "WindowStyle.h"

namespace {

TEST(WindowStyle, FontFallsBackToAFaceOfArialsMetrics) {
  const QFont font = vorkan::WindowFont();
  EXPECT_EQ(font.family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(font.pixelSize(), 11);
  const QStringList installed = QFontDatabase::families();
  if (installed.contains(QStringLiteral("MS Sans Serif")) || installed.contains(QStringLiteral("Arial")))
    GTEST_SKIP() << "a face of the first choices is installed; nothing falls back";
  if (!installed.contains(QStringLiteral("Liberation Sans")))
    GTEST_SKIP() << "Liberation Sans is not installed (package fonts-liberation)";
  // Not fontconfig's general stand-in (a wider face), which would push the
  // captions out of the controls they were laid out in.
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
}

TEST(WindowStyle, FramesKeepTheLayoutsSizeAndTheirBoxes) {
  struct Case {
    vorkan::WindowFrame frame;
    bool minimiseBox;
  };
  for (const Case& c : {Case{vorkan::WindowFrame::Main, true}, Case{vorkan::WindowFrame::Dialog, false}}) {
    QDialog window;
    window.resize(306, 393);  // as a layout's geometry sets it up
    vorkan::StyleWindow(window, c.frame);
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), c.minimiseBox);
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.minimumSize(), QSize(306, 393));
    EXPECT_EQ(window.maximumSize(), QSize(306, 393));
    EXPECT_EQ(window.font().pixelSize(), 11);
  }
}

TEST(WindowStyle, SeparatorsAreOneEdgeOfTheirStripAndFieldsTakeTheFace) {
  QDialog window;
  auto* across = new QFrame(&window);
  across->setGeometry(8, 200, 449, 9);
  across->setFrameShape(QFrame::HLine);
  auto* down = new QFrame(&window);
  down->setGeometry(152, 153, 9, 190);
  down->setFrameShape(QFrame::VLine);
  auto* box = new QFrame(&window);
  box->setGeometry(8, 8, 100, 50);
  box->setFrameShape(QFrame::Box);
  auto* field = new QLineEdit(&window);
  field->setReadOnly(true);
  auto* input = new QLineEdit(&window);
  const QColor inputBase = input->palette().color(QPalette::Base);
  vorkan::StyleWindow(window, vorkan::WindowFrame::Dialog);
  const QColor face(0x12, 0x34, 0x56);
  vorkan::UseButtonFace(window, face);
  EXPECT_EQ(across->frameRect(), QRect(0, 0, 449, 2));
  EXPECT_EQ(down->frameRect(), QRect(0, 0, 2, 190));
  EXPECT_EQ(box->frameRect(), QRect(0, 0, 100, 50));
  EXPECT_EQ(window.palette().color(QPalette::Window), face);
  EXPECT_EQ(field->palette().color(QPalette::Base), face);
  EXPECT_EQ(input->palette().color(QPalette::Base), inputBase);
}

}  // namespace
