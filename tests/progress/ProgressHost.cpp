// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressHost.h"

#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "Application.h"
#include "ProcessPriority.h"
#include "ShowPrompt.h"
#include "ProgressGauge.h"
#include "PromptBox.h"
#include "PromptAnswers.h"

namespace vorkan::test {

ProgressHost::ProgressHost() : form(&mainWindow, abortRequested, pauseRequested) {
  mainWindow.setWindowTitle(QStringLiteral("Vorkan v1.2"));
  mainWindow.resize(300, 200);
  mainWindow.show();
  vorkan::test::AnswerPrompts([this](PromptBox& box) {
    const PromptCall seen{box.Text(), box.Kind(), box.Buttons()};
    prompts.push_back(seen);
    if (onPrompt) onPrompt(seen);
    if (!answers.empty()) {
      const PromptButton b = answers.front();
      answers.pop_front();
      if (QPushButton* button = box.Button(b)) QTest::mouseClick(button, Qt::LeftButton);
    }
    if (box.isVisible()) box.close();
  });
}

ProgressHost::~ProgressHost() {
  vorkan::test::AnswerPrompts(nullptr);
  Application::Instance().SetTitle("");
}

PromptResult ProgressHost::ShowPrompt(PromptId, const std::string& text, PromptKind kind,
                                      PromptButtons buttons) {
  return vorkan::ShowPrompt(text, kind, buttons);
}

void ProgressHost::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                    const std::string& doneText, const std::string& freeText,
                                    std::int32_t maximum, std::int32_t position, bool show) {
  if (!show) {
    ++hides;
    form.ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
    return;
  }
  const int number = static_cast<int>(reports.size()) + 1;
  if (auto it = actions_.find(number); it != actions_.end()) QTimer::singleShot(0, &form, it->second);
  form.ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
  const ProgressGauge& gauge = form.Gauge();
  reports.push_back({form.windowTitle().toStdString(), Label("statusText")->text().toStdString(),
                     Button("pauseButton")->text().toStdString(), FieldText("fileNameField"),
                     FieldText("copiedField"), FieldText("freeSpaceField"),
                     Priority()->currentText().toStdString(), gauge.MaxValue(), gauge.Progress(),
                     form.PercentComplete(), form.isVisible(), form.isMinimized(), mainWindow.isVisible(),
                     mainWindow.isEnabled(), abortRequested, pauseRequested, CurrentNiceValue()});
}

void ProgressHost::ProcessPendingEvents() {
  ++pumps;
  Application::Instance().ProcessPendingEvents();
}

std::string ProgressHost::GetMainCaption() { return mainWindow.windowTitle().toStdString(); }

void ProgressHost::SetAppTitle(const std::string& title) {
  Application::Instance().SetTitle(title);
  titles.push_back(Application::Instance().Title());
}

void ProgressHost::DuringReport(int report, std::function<void()> action) {
  actions_[report] = std::move(action);
}

std::string ProgressHost::FieldText(const char* name) const {
  emit QAbstractEventDispatcher::instance()->aboutToBlock();
  return Edit(name)->text().toStdString();
}

QPushButton* ProgressHost::Button(const char* name) const { return form.findChild<QPushButton*>(name); }
QLabel* ProgressHost::Label(const char* name) const { return form.findChild<QLabel*>(name); }
QLineEdit* ProgressHost::Edit(const char* name) const { return form.findChild<QLineEdit*>(name); }
QComboBox* ProgressHost::Priority() const { return form.findChild<QComboBox*>("priorityBox"); }

QPoint CentredCorner(const QWidget& window) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QSize frame = window.frameGeometry().size();
  return {screen.x() + screen.width() / 2 - frame.width() / 2,
          screen.y() + screen.height() / 2 - frame.height() / 2};
}

}  // namespace vorkan::test
