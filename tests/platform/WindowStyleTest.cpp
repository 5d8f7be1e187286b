// The font every window uses, and the fixed dialog frame.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>

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

TEST(WindowStyle, FixedDialogHasOnlyACloseBoxAndItsSize) {
  QDialog dialog;
  vorkan::MakeFixedDialog(dialog, 306, 393);
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(dialog.minimumSize(), QSize(306, 393));
  EXPECT_EQ(dialog.maximumSize(), QSize(306, 393));
}

}  // namespace
