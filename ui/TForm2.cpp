#include "TForm2.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QKeyEvent>

#include "Application.h"
#include "CaptionNames.h"
#include "ColorValue.h"
#include "ProcessPriority.h"
#include "ShowPrompt.h"
#include "TGauge.h"
#include "ui_TForm2.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

const char* const kAbortQuestion = "Вы действительно хотите прервать данную операцию?";

// How often a field that changes at every report is written and drawn anew:
// about the refresh rate of a screen, so no change the user could see is
// skipped.
constexpr std::chrono::milliseconds kFieldPaintInterval(15);

}  // namespace

TForm2::TForm2(QWidget* mainWindow, std::uint8_t& fAbort, std::uint8_t& fPause)
    : QDialog(nullptr),
      ui_(std::make_unique<Ui::TForm2>()),
      mainWindow_(mainWindow),
      abortRequested(fAbort),
      pauseRequested(fPause) {
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);
  vorkan::UseButtonFace(*this, vorkan::ResolveColor(vorkan::clBtnFace));
  for (QLineEdit* edit : Fields()) edit->installEventFilter(this);
  for (std::size_t i = 0; i < shownTexts_.size(); ++i) shownTexts_[i] = Fields()[i]->text().toStdString();
  shownCaption_ = windowTitle().toStdString();

  vorkan::ConfigureProgressGauge(*ui_->Gauge1);
  ui_->Gauge1->move(1, 1);

  // Whenever the event loop is about to wait (a prompt over the window, the
  // idle loop), the fields show their last texts.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { ShowPendingTexts(); });

  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(ui_->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  // Only a choice of the user changes the priority, never a selection made
  // by the program.
  connect(ui_->ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });

  FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::FormCreate() {
  ui_->Label7->setText(QStringLiteral("Копирование диска..."));
  ui_->Label6->setText(QStringLiteral("Статус:"));
  ui_->Label3->setText(QStringLiteral("Имя файла:"));
  ui_->Label2->setText(QStringLiteral("Свободно:"));
  ui_->Label4->setText(QStringLiteral("Скопировано:"));
  ui_->Label8->setText(QStringLiteral("Приоритет:"));
  ui_->Button2->setText(QStringLiteral("Свернуть"));
  ui_->Button1->setText(QStringLiteral("Отмена"));
  ui_->Button3->setText(QStringLiteral("Пазуа"));
  ui_->ComboBox1->setItemText(0, QStringLiteral("Низкий"));
  ui_->ComboBox1->setItemText(1, QStringLiteral("Нормальный"));
  ui_->ComboBox1->setItemText(2, QStringLiteral("Высокий"));
  ui_->ComboBox1->setCurrentIndex(1);
  // Screen readers read each field with its caption.
  vorkan::NameByCaption(*ui_->Label3, *ui_->Label5);
  vorkan::NameByCaption(*ui_->Label2, *ui_->Edit1);
  vorkan::NameByCaption(*ui_->Label4, *ui_->Label1);
  vorkan::NameByCaption(*ui_->Label8, *ui_->ComboBox1);
  // The status line is a label itself, its text changes: only tied.
  ui_->Label6->setBuddy(ui_->Label7);
}

void TForm2::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                              const std::string& doneText, const std::string& freeText, std::int32_t maximum,
                              std::int32_t position, bool show) {
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
    ui_->Gauge1->SetMaxValue(maximum);
    ui_->Gauge1->SetProgress(position);
    return;
  }

  ui_->ComboBox1->setCurrentIndex(1);
  ui_->Label7->setText(QStringLiteral("Копирование диска..."));
  ui_->Button3->setText(QStringLiteral("Пауза"));
  ShowPendingTexts();
  hide();
  sleepInhibitor_.Release();
  if (mainWindow_ != nullptr) {
    mainWindow_->setEnabled(true);
    mainWindow_->show();
    mainWindow_->activateWindow();
  }
}

std::int32_t TForm2::PercentComplete() const { return ui_->Gauge1->PercentComplete(); }

vorkan::TGauge& TForm2::Gauge() const { return *ui_->Gauge1; }

// A field is written only when its text really changes: the job reports
// after every block, and most reports leave the file name and the free space
// as they were. A text that changes at every report (the bytes copied) is put
// on the field at most about once a screen refresh, and whenever anything
// could show or read the field: its paint, the user's hand on it, the event
// loop going idle (a prompt over the window), the window's hiding. So the
// user sees every text a screen could show, while a 1 GiB copy, which reports
// 4096 times in a few seconds, does not lay out and draw each one.
void TForm2::PutField(int index, const std::string& text, bool now) {
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

void TForm2::PutShownText(int index, const std::string& text) {
  if (text == shownTexts_[index]) return;
  shownTexts_[index] = text;
  QLineEdit* edit = Fields()[index];
  edit->setText(QString::fromStdString(text));
  // Show the beginning of a text that is wider than the field.
  edit->setCursorPosition(0);
}

void TForm2::ShowPendingTexts() {
  for (int i = 0; i < static_cast<int>(pendingTexts_.size()); ++i) {
    if (!pendingTexts_[i]) continue;
    const std::string text = std::move(*pendingTexts_[i]);
    pendingTexts_[i].reset();
    PutShownText(i, text);
  }
}

std::array<QLineEdit*, 3> TForm2::Fields() const { return {ui_->Label5, ui_->Edit1, ui_->Label1}; }

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
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

void TForm2::reject() {}

void TForm2::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  event->setAccepted(canClose);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  // No button answers Escape.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm2::FormCloseQuery(bool& canClose) {
  canClose = false;
  Button1Click();
}

void TForm2::Button1Click() {
  const vorkan::PromptResult answer =
      vorkan::ShowPrompt(kAbortQuestion, vorkan::PromptKind::Warning,
                         vorkan::ButtonSet({vorkan::PromptButton::Yes, vorkan::PromptButton::No}));
  if (answer == vorkan::PromptResult::Yes) abortRequested = 1;
}

void TForm2::Button2Click() { vorkan::Application::Instance().Minimize(); }

void TForm2::Button3Click() {
  pauseRequested ^= 1;
  if (pauseRequested == 1) {
    ui_->Button3->setText(QStringLiteral("Далее"));
    ui_->Label7->setText(QStringLiteral("[ПАУЗА] "));
  } else if (pauseRequested == 0) {
    ui_->Button3->setText(QStringLiteral("Пазуа"));
    ui_->Label7->setText(QStringLiteral("Копирование диска..."));
  }
}

void TForm2::ComboBox1Change() { vorkan::SetProcessPriority(ui_->ComboBox1->currentIndex()); }
