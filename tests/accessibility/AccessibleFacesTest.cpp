// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive tools get from the windows through Qt's accessibility
// interfaces, in-process: roles, names and caption relations, the gauge's
// value and its change events, the pie's shares, the links' press and the
// prompt's text.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "PieChart.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "DriveDetailsWindow.h"
#include "AboutWindow.h"
#include "ProgressGauge.h"
#include "PromptBox.h"
#include "FileVolumeOps.h"
#include "PromptAnswers.h"

namespace {

using vorkan::test::Control;

QString NameOf(QObject* object) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
  return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

// The names of the labels a control is labelled by.
QStringList LabelsOf(QAccessibleInterface* iface) {
  QStringList names;
  for (const auto& [other, relation] : iface->relations(QAccessible::Label))
    names << other->text(QAccessible::Name);
  return names;
}

// The value change and alert events Qt hands to the platform.
class Events {
 public:
  Events() {
    QAccessible::setActive(true);
    previous_ = QAccessible::installUpdateHandler(&Record);
    Seen().clear();
  }
  ~Events() {
    QAccessible::installUpdateHandler(previous_);
    QAccessible::setActive(false);
  }
  struct Seen_ {
    QObject* object;
    QAccessible::Event type;
    QVariant value;
  };
  static std::vector<Seen_>& Seen() {
    static std::vector<Seen_> seen;
    return seen;
  }

 private:
  static void Record(QAccessibleEvent* event) {
    QVariant value;
    if (event->type() == QAccessible::ValueChanged)
      value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
    Seen().push_back({event->object(), event->type(), value});
  }
  QAccessible::UpdateHandler previous_ = nullptr;
};

TEST(Accessible, RolesNamesAndCaptionsOfEveryWindow) {
  vorkan::FileVolumeOps ops;
  MainWindow main(ops);
  std::uint8_t abort = 0, pause = 0;
  ProgressWindow progress(nullptr, abort, pause);
  DriveDetailsWindow details;
  AboutWindow about;
  vorkan::PromptBox prompt("Вопрос?\r\nВторая строка", vorkan::PromptKind::Warning,
                           vorkan::ButtonSet({vorkan::PromptButton::Yes, vorkan::PromptButton::No}));
  struct Row {
    QWidget* window;
    const char* control;  // empty: the window itself
    QAccessible::Role role;
    QString name;     // empty: any
    QString caption;  // the label it is labelled by; empty: none asked
  };
  const std::vector<Row> rows = {
      {&main, "", QAccessible::Window, "Vorkan v1.2", ""},
      {&main, "driveList", QAccessible::Tree, "Выберите диск для копирования:", ""},
      {&progress, "gauge", QAccessible::ProgressBar, "", ""},
      {&progress, "fileNameField", QAccessible::EditableText, "Имя файла:", "Имя файла:"},
      {&progress, "freeSpaceField", QAccessible::EditableText, "Свободно:", "Свободно:"},
      {&progress, "copiedField", QAccessible::EditableText, "Скопировано:", "Скопировано:"},
      {&progress, "priorityBox", QAccessible::ComboBox, "", "Приоритет:"},
      {&progress, "statusText", QAccessible::StaticText, "Копирование диска...", "Статус:"},
      {&details, "pieChart", QAccessible::Chart, "", ""},
      {&details, "driveField", QAccessible::EditableText, "Диск", "Диск"},
      {&details, "labelField", QAccessible::EditableText, "Метка", "Метка"},
      {&details, "mediaTypeField", QAccessible::EditableText, "Тип носителя", "Тип носителя"},
      {&details, "sizeField", QAccessible::EditableText, "Размер", "Размер"},
      {&details, "freeField", QAccessible::EditableText, "Свободно", "Свободно"},
      {&details, "serialField", QAccessible::EditableText, "Серийный номер", "Серийный номер"},
      {&details, "fileSystemField", QAccessible::EditableText, "Файловая система", "Файловая система"},
      {&details, "byteSizeField", QAccessible::EditableText, "Размер (байт)", "Размер (байт)"},
      {&about, "emailLink", QAccessible::Link, "vorkan@example.org", ""},
      {&about, "bugReportLink", QAccessible::Link, "Сообщить об ошибке", ""},
      {&prompt, "", QAccessible::AlertMessage, "Warning", ""},
      {&prompt, "Message", QAccessible::StaticText, "Вопрос?\nВторая строка", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.window->objectName().toStdString() + " " + row.control);
    QObject* object = *row.control ? Control<QWidget>(*row.window, row.control) : row.window;
    if (object == nullptr) continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), row.role);
    if (!row.name.isEmpty()) {
      EXPECT_EQ(iface->text(QAccessible::Name), row.name);
    }
    if (!row.caption.isEmpty()) {
      EXPECT_EQ(LabelsOf(iface), QStringList{row.caption});
    }
  }
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&prompt)->text(QAccessible::Description),
            QStringLiteral("Вопрос?\nВторая строка"));
}

TEST(Accessible, GaugeValueFollowsProgress) {
  vorkan::ProgressGauge gauge;
  gauge.SetMaxValue(1000);
  QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(&gauge)->valueInterface();
  ASSERT_NE(value, nullptr);
  struct Step {
    std::function<void()> act;
    int current, maximum;
    const char* text;
  };
  const std::vector<Step> steps = {
      {[&] { gauge.SetProgress(256); }, 256, 1000, "25%"},
      {[&] { gauge.SetProgress(5000); }, 1000, 1000, "100%"},
      {[&] { gauge.SetMaxValue(500); }, 500, 500, "100%"},
      {[&] { gauge.SetMaxValue(800); }, 500, 800, "62%"},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    steps[i].act();
    EXPECT_EQ(value->currentValue().toInt(), steps[i].current);
    EXPECT_EQ(value->maximumValue().toInt(), steps[i].maximum);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&gauge)->text(QAccessible::Value), steps[i].text);
  }
}

// Qt hands events on only where the platform has accessibility: on xcb with
// accessibility on (at_spi.sh runs this test so), not offscreen.
TEST(Accessible, ChangesReachAssistiveTools) {
  Events events;
  // The bridge comes up once it has reached the accessibility bus.
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    (void)QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000);
  if (!QAccessible::isActive())
    GTEST_SKIP() << "no platform accessibility here (offscreen); at_spi.sh runs this on xcb";
  vorkan::ProgressGauge gauge;
  gauge.SetMaxValue(1000);
  vorkan::chart::PieChart chart;
  vorkan::PromptBox prompt("Диск C:\\ успешно скопирован.", vorkan::PromptKind::Information,
                           vorkan::ButtonSet({vorkan::PromptButton::OK}));
  vorkan::test::AnswerPrompts([](vorkan::PromptBox& form) { form.reject(); });
  struct Step {
    const char* what;
    std::function<void()> act;
    QObject* object;
    QAccessible::Event type;
    int count;
    QVariant value;
  };
  const std::vector<Step> steps = {
      {"a new position", [&] { gauge.SetProgress(256); }, &gauge, QAccessible::ValueChanged, 1, 256},
      {"the same position", [&] { gauge.SetProgress(256); }, &gauge, QAccessible::ValueChanged, 0, {}},
      {"a position of the same percentage", [&] { gauge.SetProgress(257); }, &gauge,
       QAccessible::ValueChanged, 1, 257},
      {"a position past the maximum", [&] { gauge.SetProgress(5000); }, &gauge, QAccessible::ValueChanged, 1,
       1000},
      {"a slice added",
       [&] { chart.AddPoint(1, QStringLiteral("Занято:"), vorkan::chart::clRed); },
       &chart,
       QAccessible::NameChanged,
       1,
       {}},
      {"the prompt opening", [&] { prompt.Run(); }, &prompt, QAccessible::Alert, 1, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::size_t before = Events::Seen().size();
    step.act();
    int count = 0;
    QVariant value;
    for (std::size_t i = before; i < Events::Seen().size(); ++i) {
      if (Events::Seen()[i].object != step.object || Events::Seen()[i].type != step.type) continue;
      ++count;
      value = Events::Seen()[i].value;
    }
    EXPECT_EQ(count, step.count);
    if (step.value.isValid()) {
      EXPECT_EQ(value, step.value);
    }
  }
  vorkan::test::AnswerPrompts(nullptr);
}

TEST(Accessible, ChartIsNamedByItsSharesInTheOrderTheyWereAdded) {
  struct Case {
    std::vector<double> values;  // used, free
    QString name;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{60, 40}, "Занято: 60 %, Свободно: 40 %"},
      {{10, 90}, "Занято: 10 %, Свободно: 90 %"},  // drawn largest first
      {{3, 1}, "Занято: 75 %, Свободно: 25 %"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    vorkan::chart::PieChart chart;
    chart.resize(289, 137);
    const QString labels[] = {QStringLiteral("Занято:"), QStringLiteral("Свободно:")};
    for (std::size_t i = 0; i < c.values.size(); ++i)
      chart.AddPoint(c.values[i], labels[i], vorkan::chart::clRed);
    chart.RenderImage();  // sorts the points for drawing
    EXPECT_EQ(NameOf(&chart), c.name);
  }
}

TEST(Accessible, PressingALinkDoesWhatAClickDoes) {
  AboutWindow about;
  about.show();
  std::vector<std::string> prompts;
  vorkan::test::AnswerPrompts([&](vorkan::PromptBox& form) {
    prompts.push_back(form.Text());
    form.reject();
  });
  for (const char* name : {"emailLink", "bugReportLink"}) {
    SCOPED_TRACE(name);
    prompts.clear();
    QAccessibleActionInterface* action =
        QAccessible::queryAccessibleInterface(Control<QWidget>(about, name))->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(prompts.empty()) << "the press comes back through the event loop";
    QApplication::processEvents();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].rfind("Нажмите [Да] для открытия письма", 0), 0u);
  }
  vorkan::test::AnswerPrompts(nullptr);
}

TEST(Accessible, PromptAlertsWithItsMessageAsItOpens) {
  struct Case {
    std::string text;
    vorkan::PromptKind kind;
    QString title, shown;
  };
  const std::vector<Case> cases = {
      {"Диск C:\\ успешно скопирован в /tmp/c.IMA.", vorkan::PromptKind::Information, "Information",
       "Диск C:\\ успешно скопирован в /tmp/c.IMA."},
      {"Первая строка\n\rВторая", vorkan::PromptKind::Warning, "Warning", "Первая строка\nВторая"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    QString description, message;
    vorkan::PromptBox form(c.text, c.kind, vorkan::ButtonSet({vorkan::PromptButton::OK}));
    vorkan::test::AnswerPrompts([&](vorkan::PromptBox& shown) {
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&shown);
      description = iface->text(QAccessible::Description);
      for (int i = 0; i < iface->childCount(); ++i)
        if (iface->child(i)->role() == QAccessible::StaticText)
          message = iface->child(i)->text(QAccessible::Name);
      shown.Button(vorkan::PromptButton::OK)->click();
    });
    form.Run();
    vorkan::test::AnswerPrompts(nullptr);
    EXPECT_EQ(NameOf(&form), c.title);
    EXPECT_EQ(description, c.shown);
    EXPECT_EQ(message, c.shown);
  }
}

}  // namespace
