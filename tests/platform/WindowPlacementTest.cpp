// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window centred on the screen stands: half the screen less half the
// frame, each halved on its own, from the screen's corner.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "WindowPlacement.h"

namespace {

TEST(WindowPlacement, CentredCornerHalvesScreenAndFrameApart) {
  const struct {
    QSize frame;
    QRect screen;
    QPoint corner;
  } cases[] = {
      {{300, 200}, {0, 0, 800, 600}, {250, 200}},
      {{393, 305}, {0, 0, 800, 600}, {204, 148}},     // odd frame: 400 - 196, 300 - 152
      {{393, 305}, {0, 0, 801, 601}, {204, 148}},     // odd screen: 400 - 196
      {{308, 414}, {1024, 0, 800, 600}, {1270, 93}},  // a second screen to the right
      {{900, 700}, {0, 0, 800, 600}, {-50, -50}},     // larger than the screen
  };
  for (const auto& c : cases)
    EXPECT_EQ(vorkan::CentredTopLeft(c.frame, c.screen), c.corner)
        << c.frame.width() << "x" << c.frame.height();
}

TEST(WindowPlacement, CentresTheWindowBeforeAndAfterItsShowing) {
  QWidget window;
  window.resize(393, 305);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  for (int showing = 1; showing <= 2; ++showing) {
    window.move(3, 4);
    vorkan::CentreOnScreen(window);
    window.show();
    EXPECT_EQ(window.frameGeometry().topLeft(), vorkan::CentredTopLeft(window.frameGeometry().size(), screen))
        << "showing " << showing;
    window.hide();
  }
}

}  // namespace
