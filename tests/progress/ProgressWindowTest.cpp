// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window itself: its layout, its texts, its keys and buttons,
// and the show and hide sequences, without a copy running.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Application.h"
#include "ColorValue.h"
#include "Controls.h"
#include "EInvalidOperation.h"
#include "ProgressHost.h"
#include "ProgressGauge.h"

namespace vorkan {
namespace {

using test::ProgressHost;

struct ControlSpec {
  const char* name;
  const char* className;
  QRect rect;
  bool bold;
  bool rightAligned;
  const char* text;  // after creation
};

const ControlSpec kControls[] = {
    {"frameRule", "QFrame", {8, 8, 377, 249}, false, false, nullptr},
    {"statusCaption", "QLabel", {20, 24, 353, 13}, true, false, "Статус:"},
    {"statusText", "QLabel", {20, 44, 353, 13}, false, false, "Копирование диска..."},
    {"topRule", "QFrame", {10, 72, 373, 9}, false, false, nullptr},
    {"fileNameCaption", "QLabel", {16, 88, 77, 13}, true, true, "Имя файла:"},
    {"fileNameField", "QLineEdit", {100, 88, 269, 13}, false, false, "0"},
    {"freeSpaceCaption", "QLabel", {16, 112, 77, 13}, true, true, "Свободно:"},
    {"freeSpaceField", "QLineEdit", {100, 112, 269, 13}, false, false, "0"},
    {"copiedCaption", "QLabel", {16, 136, 77, 13}, true, true, "Скопировано:"},
    {"copiedField", "QLineEdit", {100, 136, 269, 13}, false, false, "0"},
    {"middleRule", "QFrame", {10, 160, 373, 9}, false, false, nullptr},
    {"gaugePanel", "QFrame", {16, 176, 361, 21}, false, false, nullptr},
    {"bottomRule", "QFrame", {10, 208, 373, 9}, false, false, nullptr},
    {"priorityCaption", "QLabel", {16, 228, 193, 13}, true, true, "Приоритет:"},
    {"priorityBox", "QComboBox", {216, 221, 161, 21}, false, false, nullptr},
    {"minimizeButton", "QPushButton", {8, 272, 61, 25}, false, false, "Свернуть"},
    {"abortButton", "QPushButton", {152, 272, 89, 25}, false, false, "Отмена"},
    {"pauseButton", "QPushButton", {324, 272, 61, 25}, false, false, "Пазуа"},
};

QString TextOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
  return {};
}

TEST(ProgressWindow, LayoutControlsAndTextsAfterCreation) {
  ProgressHost host;
  ProgressWindow& form = host.form;
  EXPECT_EQ(form.objectName(), "ProgressWindow");
  EXPECT_EQ(form.windowTitle(), "Form2");
  EXPECT_EQ(form.size(), QSize(393, 305));
  EXPECT_EQ(form.minimumSize(), QSize(393, 305));
  EXPECT_EQ(form.maximumSize(), QSize(393, 305));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
  EXPECT_EQ(form.font().family(), "MS Sans Serif");
  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_EQ(form.palette().color(QPalette::Window), ResolveColor(clBtnFace));
  EXPECT_FALSE(form.isVisible());

  for (const ControlSpec& spec : kControls) {
    SCOPED_TRACE(spec.name);
    QWidget* w = test::Control<QWidget>(form, spec.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), spec.className);
    EXPECT_EQ(w->parentWidget(), &form);
    EXPECT_EQ(w->geometry(), spec.rect);
    EXPECT_EQ(w->font().bold(), spec.bold);
    EXPECT_EQ(w->font().pixelSize(), 11);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      EXPECT_EQ(label->alignment().testFlag(Qt::AlignRight), spec.rightAligned);
      EXPECT_FALSE(label->autoFillBackground());  // transparent
    }
    if (spec.text != nullptr) {
      EXPECT_EQ(TextOf(w), QString::fromUtf8(spec.text));
      if (qobject_cast<QLabel*>(w) != nullptr) {
        EXPECT_LE(QFontMetrics(w->font()).horizontalAdvance(TextOf(w)), spec.rect.width()) << "text clipped";
      }
    }
  }

  // The three fields are borderless, read-only and on button face.
  for (const char* name : {"fileNameField", "freeSpaceField", "copiedField"}) {
    SCOPED_TRACE(name);
    QLineEdit* edit = host.Edit(name);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(edit->hasFrame());
    EXPECT_EQ(edit->palette().color(QPalette::Base), ResolveColor(clBtnFace));
  }

  auto* panel = test::Control<QFrame>(form, "gaugePanel");
  EXPECT_EQ(panel->frameShape(), QFrame::Box);  // lowered outer ring, raised inner ring
  EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(panel->lineWidth(), 1);
  EXPECT_EQ(panel->midLineWidth(), 0);
  for (const char* name : {"topRule", "middleRule", "bottomRule"}) {
    auto* line = test::Control<QFrame>(form, name);
    EXPECT_EQ(line->frameShape(), QFrame::HLine) << name;
    EXPECT_EQ(line->frameRect(), QRect(0, 0, 373, 2)) << name << ": the line runs along the top";
  }

  ProgressGauge& gauge = form.Gauge();
  EXPECT_EQ(gauge.objectName(), "gauge");
  EXPECT_EQ(gauge.parentWidget(), panel);
  EXPECT_EQ(gauge.geometry(), QRect(1, 1, 358, 18));
  EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
  EXPECT_EQ(gauge.BorderStyle(), bsNone);
  EXPECT_EQ(gauge.ForeColor(), clMenuHighlight);
  EXPECT_EQ(gauge.BackColor(), clBtnFace);
  EXPECT_TRUE(gauge.font().bold());
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(form.PercentComplete(), 100);

  QComboBox* list = host.Priority();
  EXPECT_FALSE(list->isEditable());
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->itemText(0), "Низкий");
  EXPECT_EQ(list->itemText(1), "Нормальный");
  EXPECT_EQ(list->itemText(2), "Высокий");
  EXPECT_EQ(list->currentIndex(), 1);

  EXPECT_TRUE(host.Button("abortButton")->isDefault());
  EXPECT_FALSE(host.Button("minimizeButton")->isDefault());
  EXPECT_FALSE(host.Button("pauseButton")->isDefault());

  // Tab order: abort, minimise, pause, priority, file name, free space, copied.
  std::vector<QString> order;
  QWidget* w = host.Button("abortButton");
  for (int i = 0; i < 7; ++i) {
    order.push_back(w->objectName());
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
  }
  EXPECT_EQ(order, (std::vector<QString>{"abortButton", "minimizeButton", "pauseButton", "priorityBox",
                                         "fileNameField", "freeSpaceField", "copiedField"}));
}

TEST(ProgressWindow, ShowSequenceHidesTheMainWindowBeforeThePumpAndSetsTheValuesAfterIt) {
  ProgressHost host;
  bool pumped = false;
  QTimer::singleShot(0, &host.form, [&] {
    pumped = true;
    // Inside the pump: shown, centred, main window gone, nothing set yet.
    EXPECT_TRUE(host.form.isVisible());
    EXPECT_FALSE(host.mainWindow.isVisible());
    EXPECT_FALSE(host.mainWindow.isEnabled());
    EXPECT_EQ(host.form.frameGeometry().topLeft(), test::CentredCorner(host.form));
    EXPECT_EQ(host.form.windowTitle(), "Form2");
    EXPECT_EQ(host.Edit("fileNameField")->text(), "0");
    EXPECT_EQ(host.form.Gauge().Progress(), 100);
  });
  host.ShowCopyProgress("Копирование диска E:\\", "/tmp/a-very-long-folder-name/with-more/диск_e.IMA",
                        "1 из 2", "3 ГБ", 1000, 250, true);
  EXPECT_TRUE(pumped);
  EXPECT_EQ(host.form.windowTitle(), "Копирование диска E:\\");
  EXPECT_EQ(host.Edit("fileNameField")->text(), "/tmp/a-very-long-folder-name/with-more/диск_e.IMA");
  EXPECT_EQ(host.Edit("fileNameField")->cursorPosition(), 0) << "a long name shows its beginning";
  EXPECT_EQ(host.Edit("copiedField")->text(), "1 из 2");
  EXPECT_EQ(host.Edit("freeSpaceField")->text(), "3 ГБ");
  EXPECT_EQ(host.form.Gauge().MaxValue(), 1000);
  EXPECT_EQ(host.form.Gauge().Progress(), 250);
  EXPECT_EQ(host.form.PercentComplete(), 25);

  // Progress is set after the maximum: a position beyond the old maximum
  // of 1000 is kept once the maximum allows it.
  host.ShowCopyProgress("c", "f", "d", "e", 5000, 4000, true);
  EXPECT_EQ(host.form.Gauge().Progress(), 4000);
  EXPECT_EQ(host.form.PercentComplete(), 80);

  // A maximum below 0 is refused by the gauge once the texts are on.
  EXPECT_THROW(host.ShowCopyProgress("neg", "f2", "d2", "e2", -1, 0, true), EInvalidOperation);
  EXPECT_EQ(host.form.windowTitle(), "neg");
  EXPECT_EQ(host.FieldText("copiedField"), "d2");
  EXPECT_EQ(host.form.Gauge().MaxValue(), 5000);

  host.Priority()->setCurrentIndex(2);
  host.Label("statusText")->setText("[ПАУЗА] ");
  host.ShowCopyProgress("ignored", "ignored", "ignored", "ignored", -5, -5, false);
  EXPECT_FALSE(host.form.isVisible());
  EXPECT_TRUE(host.mainWindow.isVisible());
  EXPECT_TRUE(host.mainWindow.isEnabled());
  EXPECT_EQ(host.Priority()->currentIndex(), 1);
  EXPECT_EQ(host.Label("statusText")->text(), "Копирование диска...");
  EXPECT_EQ(host.Button("pauseButton")->text(), "Пауза");
  // The closing call leaves the last values on.
  EXPECT_EQ(host.form.windowTitle(), "neg");
  EXPECT_EQ(host.Edit("copiedField")->text(), "d2");
  EXPECT_EQ(host.Edit("fileNameField")->text(), "f2");
}

TEST(ProgressWindow, AFieldShowsItsLastTextWheneverItIsDrawnOrTouched) {
  ProgressHost host;
  QLineEdit* done = host.Edit("copiedField");
  host.ShowCopyProgress("c", "f", "first", "e", 100, 1, true);
  EXPECT_EQ(done->text(), "first") << "the first report of a job puts its texts at once";
  // However fast the reports follow each other, what the user can see or
  // take of the field is the last text.
  host.ShowCopyProgress("c", "f", "second", "e", 100, 2, true);
  done->repaint();
  EXPECT_EQ(done->text(), "second");
  host.ShowCopyProgress("c", "f", "third", "e", 100, 3, true);
  QTest::mouseClick(done, Qt::LeftButton);
  EXPECT_EQ(done->text(), "third");
  host.ShowCopyProgress("c", "f", "fourth", "e", 100, 4, true);
  QTest::keyClick(done, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(done->selectedText(), "fourth");
  host.ShowCopyProgress("c", "f", "fifth", "e", 100, 5, true);
  host.ShowCopyProgress("c", "f", "sixth", "e", 100, 6, false);
  EXPECT_EQ(done->text(), "fifth") << "the hidden window keeps the last job's texts";
}

TEST(ProgressWindow, AbortButtonEnterCloseBoxAndEscape) {
  ProgressHost host;
  host.ShowCopyProgress("c", "f", "d", "e", 100, 1, true);
  ASSERT_TRUE(host.form.isVisible());
  EXPECT_EQ(host.form.focusWidget(), host.Button("abortButton"))
      << "the abort button is first in the tab order";

  // Esc: nothing answers it.
  QTest::keyClick(host.form.focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(host.form.isVisible());
  EXPECT_TRUE(host.prompts.empty());

  // The abort button asks first; No changes nothing.
  host.answers = {PromptButton::No};
  QTest::mouseClick(host.Button("abortButton"), Qt::LeftButton);
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Вы действительно хотите прервать данную операцию?");
  EXPECT_EQ(host.prompts[0].kind, PromptKind::Warning);
  EXPECT_EQ(host.prompts[0].buttons, ButtonSet({PromptButton::Yes, PromptButton::No}));
  EXPECT_EQ(host.abortRequested, 0);

  // The close box never closes the window: it asks the same question.
  host.answers = {PromptButton::No};
  EXPECT_FALSE(host.form.close());
  EXPECT_TRUE(host.form.isVisible());
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[1].text, host.prompts[0].text);
  EXPECT_EQ(host.abortRequested, 0);

  // A prompt closed without a button (Cancel) changes nothing either.
  host.answers.clear();
  QTest::mouseClick(host.Button("abortButton"), Qt::LeftButton);
  EXPECT_EQ(host.prompts.size(), 3u);
  EXPECT_EQ(host.abortRequested, 0);

  // Enter presses the default button; Yes sets the abort flag.
  host.Button("abortButton")->setFocus();
  host.answers = {PromptButton::Yes};
  QTest::keyClick(&host.form, Qt::Key_Return);
  EXPECT_EQ(host.prompts.size(), 4u);
  EXPECT_EQ(host.abortRequested, 1);
  EXPECT_TRUE(host.form.isVisible());

  // A focused other button takes Enter for itself.
  host.Button("pauseButton")->setFocus();
  QTest::keyClick(host.Button("pauseButton"), Qt::Key_Return);
  EXPECT_EQ(host.prompts.size(), 4u);
  EXPECT_EQ(host.pauseRequested, 1);
}

TEST(ProgressWindow, PauseToggleTextsAndOtherFlagValues) {
  ProgressHost host;
  host.ShowCopyProgress("c", "f", "d", "e", 100, 1, true);
  QPushButton* pause = host.Button("pauseButton");
  QLabel* status = host.Label("statusText");
  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_EQ(host.pauseRequested, 1);
  EXPECT_EQ(pause->text(), "Далее");
  EXPECT_EQ(status->text(), "[ПАУЗА] ");
  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_EQ(host.pauseRequested, 0);
  EXPECT_EQ(pause->text(), "Пазуа");
  EXPECT_EQ(status->text(), "Копирование диска...");
  // A byte that is neither 0 nor 1 is toggled but leaves the texts alone.
  host.pauseRequested = 2;
  QTest::mouseClick(pause, Qt::LeftButton);
  EXPECT_EQ(host.pauseRequested, 3);
  EXPECT_EQ(pause->text(), "Пазуа");
  EXPECT_EQ(status->text(), "Копирование диска...");
}

TEST(ProgressWindow, MinimiseButtonMinimisesTheApplication) {
  ProgressHost host;
  host.ShowCopyProgress("c", "f", "d", "e", 100, 1, true);
  EXPECT_FALSE(Application::Instance().IsMinimized());
  QTest::mouseClick(host.Button("minimizeButton"), Qt::LeftButton);
  EXPECT_TRUE(host.form.isMinimized());
  EXPECT_TRUE(Application::Instance().IsMinimized());
  EXPECT_TRUE(host.form.isVisible());
  Application::Instance().Restore();
  EXPECT_FALSE(host.form.isMinimized());
}

}  // namespace
}  // namespace vorkan
