// SPDX-License-Identifier: GPL-3.0-or-later
// The window as laid out: its texts, the places of its controls, the frame,
// the fields' look, the focus at opening and the tab order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <map>
#include <vector>

#include "ColorValue.h"
#include "DriveInfoDriver.h"

namespace vorkan::test {
namespace {

TEST(DriveInfoLayout, CreationPutsTheRussianTextsOverTheDesignCaptions) {
  DriveDetailsWindow form;
  EXPECT_EQ(SizeUnknownCover(form)->text(), QStringLiteral("Размер неизвестен"));
  const std::map<int, QString> labels = {
      {1, QStringLiteral("Диск")},
      {2, QStringLiteral("Метка")},
      {3, QStringLiteral("Тип носителя")},
      {4, QStringLiteral("Размер")},
      {5, QStringLiteral("Свободно")},
      {6, QStringLiteral("Серийный номер")},
      {7, QStringLiteral("Файловая система")},
      {8, QStringLiteral("Размер (байт)")},
  };
  for (const auto& [number, text] : labels)
    EXPECT_EQ(Caption(form, number)->text(), text) << "caption " << number;
  EXPECT_EQ(CopyButton(form)->text(), QStringLiteral("Копировать"));
  EXPECT_EQ(OpenFolderButton(form)->text(), QStringLiteral("Проводник"));
  // Cyrillic О and К, not the Latin letters.
  EXPECT_EQ(OkButton(form)->text(), QString::fromUtf8("\xD0\x9E\xD0\x9A"));
  EXPECT_NE(OkButton(form)->text(), QStringLiteral("OK"));
  // The caption is put on at each opening; until then the design one stays.
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Drive information"));
}

TEST(DriveInfoLayout, EveryControlLiesOnTheChartPanelAtItsPlace) {
  DriveDetailsWindow form;
  auto* panel1 = Control<QFrame>(form, "chartPanel");
  ASSERT_NE(panel1, nullptr);
  EXPECT_EQ(panel1->geometry(), QRect(0, 0, 306, 393));
  EXPECT_EQ(panel1->frameShape(), QFrame::NoFrame);

  const std::map<QString, QRect> places = {
      {"pieChart", {8, 8, 289, 137}},           {"fieldsBox", {8, 152, 289, 193}},
      {"columnRule", {152, 153, 9, 190}},       {"leftRule", {9, 200, 143, 9}},
      {"rightRule", {153, 200, 142, 9}},        {"driveCaption", {16, 160, 129, 13}},
      {"driveField", {16, 176, 81, 21}},        {"byteSizeCaption", {160, 160, 129, 13}},
      {"byteSizeField", {160, 176, 121, 21}},   {"labelCaption", {16, 216, 129, 13}},
      {"labelField", {16, 232, 129, 21}},       {"mediaTypeCaption", {160, 216, 129, 13}},
      {"mediaTypeField", {160, 232, 129, 21}},  {"sizeCaption", {16, 256, 129, 13}},
      {"sizeField", {16, 272, 129, 21}},        {"serialCaption", {160, 256, 129, 13}},
      {"serialField", {160, 272, 129, 21}},     {"freeCaption", {16, 296, 129, 13}},
      {"freeField", {16, 312, 129, 21}},        {"fileSystemCaption", {160, 296, 129, 13}},
      {"fileSystemField", {160, 312, 129, 21}}, {"copyButton", {64, 360, 73, 25}},
      {"openFolderButton", {144, 360, 73, 25}}, {"okButton", {224, 360, 73, 25}},
  };
  for (const auto& [name, place] : places) {
    QWidget* control = Control<QWidget>(form, name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_EQ(control->parentWidget(), panel1) << name.toStdString();
    EXPECT_EQ(control->geometry(), place) << name.toStdString();
  }

  // The cover lies inside the chart over all of it, hidden until needed.
  EXPECT_EQ(SizeUnknownCover(form)->parentWidget(), PieChartOf(form));
  EXPECT_EQ(SizeUnknownCover(form)->geometry(), QRect(0, 0, 289, 137));
  EXPECT_TRUE(SizeUnknownCover(form)->isHidden());
  EXPECT_TRUE(SizeUnknownCover(form)->autoFillBackground());
  EXPECT_EQ(SizeUnknownCover(form)->alignment(), Qt::AlignCenter);

  // The frame around the fields, the divider and the two rules.
  auto bevel = [&form](const char* name) { return Control<QFrame>(form, name); };
  EXPECT_EQ(bevel("fieldsBox")->frameShape(), QFrame::Box);
  EXPECT_EQ(bevel("columnRule")->frameShape(), QFrame::VLine);
  EXPECT_EQ(bevel("columnRule")->frameRect().left(), 0);
  for (const char* rule : {"leftRule", "rightRule"}) {
    EXPECT_EQ(bevel(rule)->frameShape(), QFrame::HLine) << rule;
    EXPECT_EQ(bevel(rule)->frameRect().top(), 0) << rule;
  }
}

TEST(DriveInfoLayout, FixedDialogFrameFontAndFields) {
  DriveDetailsWindow form;
  EXPECT_EQ(form.minimumSize(), QSize(306, 393));
  EXPECT_EQ(form.maximumSize(), QSize(306, 393));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form.font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(form.font().pixelSize(), 11);

  const QColor face = ResolveColor(clBtnFace);
  for (int number = 1; number <= 8; ++number) {
    QLineEdit* edit = Field(form, number);
    EXPECT_FALSE(edit->hasFrame()) << "field " << number;
    EXPECT_TRUE(edit->isReadOnly()) << "field " << number;
    EXPECT_TRUE(edit->font().bold()) << "field " << number;
    EXPECT_EQ(edit->font().pixelSize(), 11) << "field " << number;
    EXPECT_EQ(edit->palette().color(QPalette::Base), face) << "field " << number;
  }
  for (int number = 1; number <= 8; ++number) {
    EXPECT_FALSE(Caption(form, number)->autoFillBackground()) << "caption " << number;
    EXPECT_FALSE(Caption(form, number)->font().bold()) << "caption " << number;
  }
  EXPECT_TRUE(OkButton(form)->isDefault());
  EXPECT_FALSE(OpenFolderButton(form)->isDefault());
  EXPECT_FALSE(CopyButton(form)->isDefault());

  // The chart as this window uses it.
  chart::PieChart* chart = PieChartOf(form);
  EXPECT_TRUE(chart->Series().Circled());
  EXPECT_EQ(chart->Series().RotationAngle(), 25);
  EXPECT_EQ(chart->Series().Order(), chart::loDescending);
  EXPECT_EQ(chart->DepthPercent(), 35);
  EXPECT_EQ(chart->Legend().Alignment(), chart::laBottom);
  EXPECT_EQ(chart->Legend().TextStyle(), chart::ltsRightPercent);
}

TEST(DriveInfoLayout, OpensCentredWithTheDriveFieldFocusedAndTabsInItsOrder) {
  DriveDetailsWindow form;
  std::vector<QString> order;
  QRect frame;
  bool modal = false;
  OpenAndRun(form, NormalRow(), [&](DriveDetailsWindow& f) {
    modal = f.isModal();
    frame = f.frameGeometry();
    QWidget* focus = f.focusWidget();
    for (int i = 0; i < 12 && focus != nullptr; ++i) {
      order.push_back(focus->objectName());
      QTest::keyClick(focus, Qt::Key_Tab);
      focus = f.focusWidget();
    }
  });
  EXPECT_TRUE(modal);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
  const std::vector<QString> expected = {
      "driveField",  "labelField",      "sizeField",  "freeField",        "byteSizeField", "mediaTypeField",
      "serialField", "fileSystemField", "copyButton", "openFolderButton", "okButton",      "driveField"};
  EXPECT_EQ(order, expected);
}

TEST(DriveInfoLayout, EveryOpeningStartsWithTheDriveFieldFocused) {
  DriveDetailsWindow form;
  OpenAndRun(form, NormalRow(), [](DriveDetailsWindow& f) {
    OpenFolderButton(f)->setFocus();
    f.done(static_cast<int>(DriveDetailsWindow::Result::Close));
  });
  QString focused;
  OpenAndRun(form, EmptyOpticalRow(),
             [&](DriveDetailsWindow& f) { focused = f.focusWidget()->objectName(); });
  EXPECT_EQ(focused, QStringLiteral("driveField"));
}

}  // namespace
}  // namespace vorkan::test
