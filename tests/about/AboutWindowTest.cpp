// SPDX-License-Identifier: GPL-3.0-or-later
// The about window as it is created: its texts, controls, places and colours.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AboutDriver.h"
#include "AboutWindow.h"

namespace {

using vorkan::test::Control;

struct PlacedText {
  const char* name;
  QRect rect;
  const char* text;
};

// The labels of fixed size with the texts they show once the window is made.
const PlacedText kFixedLabels[] = {
    {"titleLabel", {112, 12, 289, 13}, "Vorkan - Бесплатное копирование дисков"},
    {"versionCaption", {16, 108, 101, 13}, "Версия:"},
    {"versionField", {136, 108, 261, 13}, "1.2 29.09.07 RUS/KX7"},
    {"authorCaption", {16, 132, 101, 13}, "Автор:"},
    {"authorField", {136, 132, 261, 13}, "Кирилл Ветров"},
    {"icqCaption", {16, 156, 101, 13}, "ICQ:"},
    {"icqField", {136, 156, 261, 13}, "318452907"},
    {"emailCaption", {16, 180, 101, 13}, "E-Mail:"},
    {"licenceCaption", {16, 204, 101, 13}, "Лицензия:"},
    {"licenceField", {136, 204, 261, 13}, "Бесплатная (freeware)"},
};

const char* const kDescription =
    "Эта программа поможет вам скопировать любые локальные, съемные или CD диски в файл-образ. "
    "Позже вы сможете использовать этот файл другими программами для подключения, редактирования "
    "или дублирования созданной копии диска.";

TEST(AboutWindow, ShowsItsRussianTextsAndKeepsTheLaidOutOnes) {
  AboutWindow form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Vorkan v1.2"));
  for (const PlacedText& row : kFixedLabels) {
    QLabel* label = Control<QLabel>(form, row.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8(row.text)) << row.name;
  }
  EXPECT_EQ(Control<QLabel>(form, "emailLink")->text(), QStringLiteral("vorkan@example.org"));
  EXPECT_EQ(Control<QLabel>(form, "bugReportLink")->text(), QStringLiteral("Сообщить об ошибке"));
  // The button keeps its caption from the layout.
  EXPECT_EQ(Control<QPushButton>(form, "okButton")->text(), QStringLiteral("Ok"));
  // The description replaces the memo's laid-out text entirely.
  EXPECT_EQ(Control<QPlainTextEdit>(form, "description")->toPlainText(), QString::fromUtf8(kDescription));
}

TEST(AboutWindow, LaysOutItsControlsAtTheirPlaces) {
  AboutWindow form;
  EXPECT_EQ(form.size(), QSize(409, 273));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the frame is of fixed size";
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);

  for (const PlacedText& row : kFixedLabels)
    EXPECT_EQ(Control<QLabel>(form, row.name)->geometry(), row.rect) << row.name;
  EXPECT_EQ(Control<QLabel>(form, "banner")->geometry(), QRect(4, 4, 400, 90));
  EXPECT_EQ(Control<QFrame>(form, "bannerFrame")->geometry(), QRect(4, 4, 401, 91));
  EXPECT_EQ(Control<QFrame>(form, "bannerFrame")->frameShape(), QFrame::Box);
  EXPECT_EQ(Control<QFrame>(form, "linkRule")->geometry(), QRect(8, 228, 393, 13));
  EXPECT_EQ(Control<QPlainTextEdit>(form, "description")->geometry(), QRect(112, 30, 289, 61));
  EXPECT_EQ(Control<QPushButton>(form, "okButton")->geometry(), QRect(316, 240, 83, 25));

  // The links size themselves to their texts.
  for (const char* name : {"emailLink", "bugReportLink"}) {
    QLabel* link = Control<QLabel>(form, name);
    EXPECT_EQ(link->size(), link->sizeHint()) << name;
  }
  EXPECT_EQ(Control<QLabel>(form, "emailLink")->pos(), QPoint(136, 180));
  EXPECT_EQ(Control<QLabel>(form, "bugReportLink")->pos(), QPoint(8, 240));
}

TEST(AboutWindow, DrawsItsTextsInTheirFontsAndStyles) {
  AboutWindow form;
  EXPECT_EQ(form.font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(form.font().pixelSize(), 11);

  for (const char* name :
       {"titleLabel", "versionCaption", "authorCaption", "icqCaption", "emailCaption", "licenceCaption"}) {
    QLabel* label = Control<QLabel>(form, name);
    EXPECT_TRUE(label->font().bold()) << name;
    EXPECT_EQ(label->font().pixelSize(), 11) << name;
  }
  for (const char* name : {"versionCaption", "authorCaption", "icqCaption", "emailCaption", "licenceCaption"})
    EXPECT_TRUE(Control<QLabel>(form, name)->alignment() & Qt::AlignRight) << name;
  for (const char* name : {"versionField", "authorField", "icqField", "licenceField"}) {
    QLabel* label = Control<QLabel>(form, name);
    EXPECT_FALSE(label->font().bold()) << name;
    EXPECT_FALSE(label->alignment() & Qt::AlignRight) << name;
  }
  for (const char* name : {"emailLink", "bugReportLink"}) {
    QLabel* link = Control<QLabel>(form, name);
    EXPECT_TRUE(link->font().underline()) << name;
    EXPECT_FALSE(link->font().bold()) << name;
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor) << name;
  }
}

TEST(AboutWindow, KeepsTheDescriptionReadOnlyOnItsOwnBackground) {
  AboutWindow form;
  QPlainTextEdit* memo = Control<QPlainTextEdit>(form, "description");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(248, 246, 201));
  // The header line and the description lie on the picture.
  QWidget* image = Control<QWidget>(form, "banner");
  EXPECT_TRUE(image->geometry().contains(memo->geometry().adjusted(0, 0, -1, -1)));
  EXPECT_TRUE(image->geometry().contains(Control<QWidget>(form, "titleLabel")->geometry()));
  EXPECT_FALSE(Control<QLabel>(form, "titleLabel")->autoFillBackground()) << "transparent on the picture";
}

TEST(AboutWindow, GivesTheFocusToOkFirstAndTheDescriptionNext) {
  QWidget owner;
  AboutWindow form(&owner);
  QPushButton* ok = Control<QPushButton>(form, "okButton");
  EXPECT_TRUE(ok->isDefault());
  vorkan::testing::RunModal(form, [&](AboutWindow& shown) {
    EXPECT_EQ(shown.focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Tab);
    EXPECT_EQ(shown.focusWidget(), Control<QWidget>(shown, "description"));
    QTest::keyClick(shown.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(shown.focusWidget(), ok) << "only the button and the description take the focus";
  });
}

// Every label is drawn in the button-text colour; a desktop palette whose
// button text differs from its window text tells the two apart.
TEST(AboutWindow, DrawsEveryLabelInTheButtonTextColour) {
  const QPalette saved = QApplication::palette();
  QPalette theme = saved;
  theme.setColor(QPalette::Active, QPalette::ButtonText, QColor(120, 30, 40));
  theme.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 90, 20));
  QApplication::setPalette(theme);
  {
    AboutWindow form;
    for (const char* name :
         {"titleLabel", "versionCaption", "versionField", "authorCaption", "authorField", "icqCaption",
          "icqField", "emailCaption", "emailLink", "bugReportLink", "licenceCaption", "licenceField"})
      EXPECT_EQ(Control<QLabel>(form, name)->palette().color(QPalette::WindowText), QColor(120, 30, 40))
          << name;
  }
  QApplication::setPalette(saved);
}

}  // namespace
