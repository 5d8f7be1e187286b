// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures compiled into the program: the application icon and the
// about window's banner.
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

#include "AboutDriver.h"
#include "ApplicationIcon.h"
#include "Resources.h"
#include "AboutWindow.h"

namespace {

// True when the picture has both see-through and solid pixels.
bool HasShapeOnTransparentGround(const QImage& image) {
  bool clear = false;
  bool solid = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(image.pixel(x, y));
      clear = clear || alpha == 0;
      solid = solid || alpha == 255;
    }
  return clear && solid;
}

TEST(ApplicationIcon, LoadsInTheSmallAndTheCommonSizes) {
  const QIcon icon = vorkan::ApplicationIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(sizes.contains(QSize(size, size)));
    const QImage image = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.size(), QSize(size, size));
    EXPECT_TRUE(HasShapeOnTransparentGround(image));
  }
}

TEST(Banner, IsA400By90PictureLightWhereTheTextsLie) {
  vorkan::InitResources();
  const QImage banner(QStringLiteral(":/vorkan/banner.png"));
  ASSERT_FALSE(banner.isNull());
  EXPECT_EQ(banner.size(), QSize(400, 90));
  // The window lays its header line and description from x 112 of its client
  // area on, x 108 of the banner: there it is the description's background.
  for (const QPoint p : {QPoint(108, 0), QPoint(108, 89), QPoint(250, 10), QPoint(399, 0), QPoint(399, 89)})
    EXPECT_EQ(banner.pixelColor(p), QColor(248, 246, 201)) << p.x() << "," << p.y();
  // The left part carries a picture.
  EXPECT_NE(banner.pixelColor(50, 45), QColor(248, 246, 201));

  AboutWindow form;
  const QPixmap shown = vorkan::test::Control<QLabel>(form, "banner")->pixmap();
  EXPECT_EQ(shown.size(), QSize(400, 90));
  EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_RGB32),
            banner.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
