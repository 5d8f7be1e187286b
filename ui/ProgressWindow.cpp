// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressWindow.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QKeyEvent>

#include "Application.h"
#include "CaptionNames.h"
#include "ColorValue.h"
#include "ProcessPriority.h"
#include "ShowPrompt.h"
#include "ProgressGauge.h"
#include "ui_ProgressWindow.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

const char* const kAbortQuestion = "Вы действительно хотите прервать данную операцию?";

// How often a field that changes at every report is written and drawn anew:
// about the refresh rate of a screen, so no change the user could see is
// skipped.
constexpr std::chrono::milliseconds kFieldPaintInterval(15);

}  // namespace

ProgressWindow::ProgressWindow(QWidget* mainWindow, std::uint8_t& fAbort, std::uint8_t& fPause)
    : QDialog(nullptr),
      ui_(std::make_unique<Ui::ProgressWindow>()),
      mainWindow_(mainWindow),
      abortRequested(fAbort),
      pauseRequested(fPause) {
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);
  vorkan::UseButtonFace(*this, vorkan::ResolveColor(vorkan::clBtnFace));
  for (QLineEdit* edit : Fields()) edit->installEventFilter(this);
  for (std::size_t i = 0; i < shownTexts_.size(); ++i) shownTexts_[i] = Fields()[i]->text().toStdString();
  shownCaption_ = windowTitle().toStdString();

  vorkan::ConfigureProgressGauge(*ui_->gauge);
  ui_->gauge->move(1, 1);

  // Whenever the event loop is about to wait (a prompt over the window, the
  // idle loop), the fields show their last texts.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { ShowPendingTexts(); });

  connect(ui_->abortButton, &QPushButton::clicked, this, [this] { askToAbort(); });
  connect(ui_->minimizeButton, &QPushButton::clicked, this, [this] { minimizeProgram(); });
  connect(ui_->pauseButton, &QPushButton::clicked, this, [this] { togglePause(); });
  // Only a choice of the user changes the priority, never a selection made
  // by the program.
  connect(ui_->priorityBox, &QComboBox::activated, this, [this] { changePriority(); });

  setRussianTexts();
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::setRussianTexts() {
  ui_->statusText->setText(QStringLiteral("Копирование диска..."));
  ui_->statusCaption->setText(QStringLiteral("Статус:"));
  ui_->fileNameCaption->setText(QStringLiteral("Имя файла:"));
  ui_->freeSpaceCaption->setText(QStringLiteral("Свободно:"));
  ui_->copiedCaption->setText(QStringLiteral("Скопировано:"));
  ui_->priorityCaption->setText(QStringLiteral("Приоритет:"));
  ui_->minimizeButton->setText(QStringLiteral("Свернуть"));
  ui_->abortButton->setText(QStringLiteral("Отмена"));
  ui_->pauseButton->setText(QStringLiteral("Пазуа"));
  ui_->priorityBox->setItemText(0, QStringLiteral("Низкий"));
  ui_->priorityBox->setItemText(1, QStringLiteral("Нормальный"));
  ui_->priorityBox->setItemText(2, QStringLiteral("Высокий"));
  ui_->priorityBox->setCurrentIndex(1);
  // Screen readers read each field with its caption.
  vorkan::NameByCaption(*ui_->fileNameCaption, *ui_->fileNameField);
  vorkan::NameByCaption(*ui_->freeSpaceCaption, *ui_->freeSpaceField);
  vorkan::NameByCaption(*ui_->copiedCaption, *ui_->copiedField);
  vorkan::NameByCaption(*ui_->priorityCaption, *ui_->priorityBox);
  // The status line is a label itself, its text changes: only tied.
  ui_->statusCaption->setBuddy(ui_->statusText);
}

void ProgressWindow::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                      const std::string& doneText, const std::string& freeText,
                                      std::int32_t maximum, std::int32_t position, bool show) {
  if (show) {
    const bool firstReport = !isVisible();
    if (firstReport) {
      if (mainWindow_ != nullptr) {
        mainWindow_->hide();
        mainWindow_->setEnabled(false);
      }
      vorkan::CentreOnScreen(*this);
      // A window hidden while the application was minimised comes back in
      // its normal state.
      setWindowState(windowState() & ~Qt::WindowMinimized);
      QDialog::show();
      // The caption names the drive being copied.
      sleepInhibitor_.Hold(caption);
    }
    vorkan::Application::Instance().ProcessPendingEvents();
    if (caption != shownCaption_) {
      shownCaption_ = caption;
      setWindowTitle(QString::fromStdString(caption));
    }
    const auto now = std::chrono::steady_clock::now();
    const bool putNow = firstReport || now - lastFieldPaint_ >= kFieldPaintInterval;
    PutField(0, fileName, putNow);
    PutField(2, doneText, putNow);
    PutField(1, freeText, putNow);
    if (putNow) lastFieldPaint_ = now;
    ui_->gauge->SetMaxValue(maximum);
    ui_->gauge->SetProgress(position);
    return;
  }

  ui_->priorityBox->setCurrentIndex(1);
  ui_->statusText->setText(QStringLiteral("Копирование диска..."));
  ui_->pauseButton->setText(QStringLiteral("Пауза"));
  ShowPendingTexts();
  hide();
  sleepInhibitor_.Release();
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(true);
    mainWindow_->show();
    mainWindow_->activateWindow();
  }
}

std::int32_t ProgressWindow::PercentComplete() const { return ui_->gauge->PercentComplete(); }

vorkan::ProgressGauge& ProgressWindow::Gauge() const { return *ui_->gauge; }

// A field is written only when its text really changes: the job reports
// after every block, and most reports leave the file name and the free space
// as they were. A text that changes at every report (the bytes copied) is put
// on the field at most about once a screen refresh, and whenever anything
// could show or read the field: its paint, the user's hand on it, the event
// loop going idle (a prompt over the window), the window's hiding. So the
// user sees every text a screen could show, while a 1 GiB copy, which reports
// 4096 times in a few seconds, does not lay out and draw each one.
void ProgressWindow::PutField(int index, const std::string& text, bool now) {
  if (!now) {
    if (text == shownTexts_[index])
      pendingTexts_[index].reset();
    else
      pendingTexts_[index] = text;
    return;
  }
  pendingTexts_[index].reset();
  PutShownText(index, text);
}

void ProgressWindow::PutShownText(int index, const std::string& text) {
  if (text == shownTexts_[index]) return;
  shownTexts_[index] = text;
  QLineEdit* edit = Fields()[index];
  edit->setText(QString::fromStdString(text));
  // Show the beginning of a text that is wider than the field.
  edit->setCursorPosition(0);
}

void ProgressWindow::ShowPendingTexts() {
  for (int i = 0; i < static_cast<int>(pendingTexts_.size()); ++i) {
    if (!pendingTexts_[i]) continue;
    const std::string text = std::move(*pendingTexts_[i]);
    pendingTexts_[i].reset();
    PutShownText(i, text);
  }
}

std::array<QLineEdit*, 3> ProgressWindow::Fields() const {
  return {ui_->fileNameField, ui_->freeSpaceField, ui_->copiedField};
}

bool ProgressWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::FocusIn: ShowPendingTexts(); break;
    default: break;
  }
  return QDialog::eventFilter(watched, event);
}

void ProgressWindow::reject() {}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  refuseClose(canClose);
  event->setAccepted(canClose);
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  // No button answers Escape.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ProgressWindow::refuseClose(bool& canClose) {
  canClose = false;
  askToAbort();
}

void ProgressWindow::askToAbort() {
  const vorkan::PromptResult answer =
      vorkan::ShowPrompt(kAbortQuestion, vorkan::PromptKind::Warning,
                         vorkan::ButtonSet({vorkan::PromptButton::Yes, vorkan::PromptButton::No}));
  if (answer == vorkan::PromptResult::Yes) abortRequested = 1;
}

void ProgressWindow::minimizeProgram() { vorkan::Application::Instance().Minimize(); }

void ProgressWindow::togglePause() {
  pauseRequested ^= 1;
  if (pauseRequested == 1) {
    ui_->pauseButton->setText(QStringLiteral("Далее"));
    ui_->statusText->setText(QStringLiteral("[ПАУЗА] "));
  } else if (pauseRequested == 0) {
    ui_->pauseButton->setText(QStringLiteral("Пазуа"));
    ui_->statusText->setText(QStringLiteral("Копирование диска..."));
  }
}

void ProgressWindow::changePriority() { vorkan::SetProcessPriority(ui_->priorityBox->currentIndex()); }
