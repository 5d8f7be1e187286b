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
  TForm3 form;
  EXPECT_EQ(Panel2(form)->text(), QStringLiteral("Размер неизвестен"));
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
  for (const auto& [number, text] : labels) EXPECT_EQ(Label(form, number)->text(), text) << "Label" << number;
  EXPECT_EQ(Button(form, 3)->text(), QStringLiteral("Копировать"));
  EXPECT_EQ(Button(form, 2)->text(), QStringLiteral("Проводник"));
  // Cyrillic О and К, not the Latin letters.
  EXPECT_EQ(Button(form, 1)->text(), QString::fromUtf8("\xD0\x9E\xD0\x9A"));
  EXPECT_NE(Button(form, 1)->text(), QStringLiteral("OK"));
  // The caption is put on at each opening; until then the design one stays.
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Drive information"));
}

TEST(DriveInfoLayout, EveryControlLiesOnPanel1AtItsPlace) {
  TForm3 form;
  auto* panel1 = Control<QFrame>(form, "Panel1");
  ASSERT_NE(panel1, nullptr);
  EXPECT_EQ(panel1->geometry(), QRect(0, 0, 306, 393));
  EXPECT_EQ(panel1->frameShape(), QFrame::NoFrame);

  const std::map<QString, QRect> places = {
      {"Chart1", {8, 8, 289, 137}},    {"Bevel3", {8, 152, 289, 193}},  {"Bevel1", {152, 153, 9, 190}},
      {"Bevel2", {9, 200, 143, 9}},    {"Bevel4", {153, 200, 142, 9}},  {"Label1", {16, 160, 129, 13}},
      {"Edit1", {16, 176, 81, 21}},    {"Label8", {160, 160, 129, 13}}, {"Edit8", {160, 176, 121, 21}},
      {"Label2", {16, 216, 129, 13}},  {"Edit2", {16, 232, 129, 21}},   {"Label3", {160, 216, 129, 13}},
      {"Edit3", {160, 232, 129, 21}},  {"Label4", {16, 256, 129, 13}},  {"Edit4", {16, 272, 129, 21}},
      {"Label6", {160, 256, 129, 13}}, {"Edit6", {160, 272, 129, 21}},  {"Label5", {16, 296, 129, 13}},
      {"Edit5", {16, 312, 129, 21}},   {"Label7", {160, 296, 129, 13}}, {"Edit7", {160, 312, 129, 21}},
      {"Button3", {64, 360, 73, 25}},  {"Button2", {144, 360, 73, 25}}, {"Button1", {224, 360, 73, 25}},
  };
  for (const auto& [name, place] : places) {
    QWidget* control = Control<QWidget>(form, name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_EQ(control->parentWidget(), panel1) << name.toStdString();
    EXPECT_EQ(control->geometry(), place) << name.toStdString();
  }

  // The cover lies inside the chart over all of it, hidden until needed.
  EXPECT_EQ(Panel2(form)->parentWidget(), Chart1(form));
  EXPECT_EQ(Panel2(form)->geometry(), QRect(0, 0, 289, 137));
  EXPECT_TRUE(Panel2(form)->isHidden());
  EXPECT_TRUE(Panel2(form)->autoFillBackground());
  EXPECT_EQ(Panel2(form)->alignment(), Qt::AlignCenter);

  // The frame around the fields, the divider and the two rules.
  auto bevel = [&form](const char* name) { return Control<QFrame>(form, name); };
  EXPECT_EQ(bevel("Bevel3")->frameShape(), QFrame::Box);
  EXPECT_EQ(bevel("Bevel1")->frameShape(), QFrame::VLine);
  EXPECT_EQ(bevel("Bevel1")->frameRect().left(), 0);
  for (const char* rule : {"Bevel2", "Bevel4"}) {
    EXPECT_EQ(bevel(rule)->frameShape(), QFrame::HLine) << rule;
    EXPECT_EQ(bevel(rule)->frameRect().top(), 0) << rule;
  }
}

TEST(DriveInfoLayout, FixedDialogFrameFontAndFields) {
  TForm3 form;
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
    QLineEdit* edit = Edit(form, number);
    EXPECT_FALSE(edit->hasFrame()) << "Edit" << number;
    EXPECT_TRUE(edit->isReadOnly()) << "Edit" << number;
    EXPECT_TRUE(edit->font().bold()) << "Edit" << number;
    EXPECT_EQ(edit->font().pixelSize(), 11) << "Edit" << number;
    EXPECT_EQ(edit->palette().color(QPalette::Base), face) << "Edit" << number;
  }
  for (int number = 1; number <= 8; ++number) {
    EXPECT_FALSE(Label(form, number)->autoFillBackground()) << "Label" << number;
    EXPECT_FALSE(Label(form, number)->font().bold()) << "Label" << number;
  }
  EXPECT_TRUE(Button(form, 1)->isDefault());
  EXPECT_FALSE(Button(form, 2)->isDefault());
  EXPECT_FALSE(Button(form, 3)->isDefault());

  // The chart as this window uses it.
  chart::TChart* chart = Chart1(form);
  EXPECT_TRUE(chart->Series().Circled());
  EXPECT_EQ(chart->Series().RotationAngle(), 25);
  EXPECT_EQ(chart->Series().Order(), chart::loDescending);
  EXPECT_EQ(chart->Chart3DPercent(), 35);
  EXPECT_EQ(chart->Legend().Alignment(), chart::laBottom);
  EXPECT_EQ(chart->Legend().TextStyle(), chart::ltsRightPercent);
}

TEST(DriveInfoLayout, OpensCentredWithEdit1FocusedAndTabsInItsOrder) {
  TForm3 form;
  std::vector<QString> order;
  QRect frame;
  bool modal = false;
  OpenAndRun(form, NormalRow(), [&](TForm3& f) {
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
  const std::vector<QString> expected = {"Edit1", "Edit2", "Edit4",   "Edit5",   "Edit8",   "Edit3",
                                         "Edit6", "Edit7", "Button3", "Button2", "Button1", "Edit1"};
  EXPECT_EQ(order, expected);
}

TEST(DriveInfoLayout, EveryOpeningStartsWithEdit1Focused) {
  TForm3 form;
  OpenAndRun(form, NormalRow(), [](TForm3& f) {
    Button(f, 2)->setFocus();
    f.done(static_cast<int>(TForm3::Result::Close));
  });
  QString focused;
  OpenAndRun(form, EmptyOpticalRow(), [&](TForm3& f) { focused = f.focusWidget()->objectName(); });
  EXPECT_EQ(focused, QStringLiteral("Edit1"));
}

}  // namespace
}  // namespace vorkan::test
