// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutWindow.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <initializer_list>
#include <string>

#include "Clipboard.h"
#include "ColorValue.h"
#include "LinkLabel.h"
#include "Resources.h"
#include "Shell.h"
#include "ShowPrompt.h"
#include "ui_AboutWindow.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

// The maker and how to reach him. The layout shows the ICQ number and the
// address (icqField, emailLink); the address also goes into the mail links and
// onto the clipboard.
const char* const kAuthor = "Кирилл Ветров";
const char* const kContactAddress = "vorkan@example.org";
const char* const kLicence = "Бесплатная (freeware)";

const char* const kDescription =
    "Эта программа поможет вам скопировать любые локальные, съемные или CD диски в файл-образ. "
    "Позже вы сможете использовать этот файл другими программами для подключения, редактирования "
    "или дублирования созданной копии диска.";

const char* const kMailQuestion =
    "Нажмите [Да] для открытия письма в e-mail клиенте по-умолчанию.\n\r"
    "Нажмите [Нет] для копирования e-mail адреса в буфер обмена.";

const char* const kCommentSubject = "Vorkan v.1.2 29.09.07 RUS/KX7 - Software comment";
const char* const kBugReportSubject = "Vorkan v.1.2 29.09.07 RUS/KX7 - Bug report";

// The system colour of button texts (index 18), in which every label is drawn.
constexpr vorkan::TColor clBtnText = 0xFF000012;
// The description's background: red 248, green 246, blue 201.
constexpr vorkan::TColor kMemoColor = 13235960;
// A link under the pointer.
constexpr vorkan::TColor clBlue = 0x00FF0000;

void SetFontColor(QLabel* label, vorkan::TColor color) {
  vorkan::SetColor(*label, QPalette::WindowText, vorkan::ResolveColor(color));
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutWindow>()) {
  // The banner comes from the compiled-in pictures.
  vorkan::InitResources();
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);

  for (QLabel* label : std::initializer_list<QLabel*>{
           ui_->titleLabel, ui_->versionCaption, ui_->versionField, ui_->authorCaption, ui_->authorField,
           ui_->icqCaption, ui_->icqField, ui_->emailCaption, ui_->emailLink, ui_->bugReportLink,
           ui_->licenceCaption, ui_->licenceField})
    SetFontColor(label, clBtnText);

  vorkan::SetColor(*ui_->description, QPalette::Base, vorkan::ResolveColor(kMemoColor));

  ui_->emailLink->installEventFilter(this);
  ui_->bugReportLink->installEventFilter(this);
  // A click, or a screen reader's press.
  connect(ui_->emailLink, &vorkan::LinkLabel::activated, this, [this] { mailAuthor(); });
  connect(ui_->bugReportLink, &vorkan::LinkLabel::activated, this, [this] { reportBug(); });
  connect(ui_->okButton, &QPushButton::clicked, this, [this] { closeWindow(); });

  setRussianTexts();
  // The address link sizes itself to the text it was laid out with.
  ui_->emailLink->adjustSize();
  // Tab order 0: the button has the focus when the window first opens.
  ui_->okButton->setFocus();
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::setRussianTexts() {
  RefreshInfo();
  setWindowTitle(QStringLiteral("Vorkan v1.2"));
  ui_->versionField->setText(QStringLiteral("1.2 29.09.07 RUS/KX7"));
  ui_->titleLabel->setText(QStringLiteral("Vorkan - Бесплатное копирование дисков"));
  ui_->bugReportLink->setText(QStringLiteral("Сообщить об ошибке"));
  ui_->bugReportLink->adjustSize();
  ui_->versionCaption->setText(QStringLiteral("Версия:"));
  ui_->authorCaption->setText(QStringLiteral("Автор:"));
  ui_->icqCaption->setText(QStringLiteral("ICQ:"));
  ui_->emailCaption->setText(QStringLiteral("E-Mail:"));
  ui_->licenceCaption->setText(QStringLiteral("Лицензия:"));
  ui_->licenceField->setText(QString::fromUtf8(kLicence));
  ui_->authorField->setText(QString::fromUtf8(kAuthor));
}

void AboutWindow::RefreshInfo() {
  ui_->description->clear();
  ui_->description->setPlainText(QString::fromUtf8(kDescription));
}

void AboutWindow::mailAuthor() { MailLinkChoice(kCommentSubject); }

void AboutWindow::reportBug() { MailLinkChoice(kBugReportSubject); }

void AboutWindow::highlightEmailLink() { SetFontColor(ui_->emailLink, clBlue); }

void AboutWindow::plainEmailLink() { SetFontColor(ui_->emailLink, vorkan::clWindowText); }

void AboutWindow::highlightBugReportLink() { SetFontColor(ui_->bugReportLink, clBlue); }

void AboutWindow::plainBugReportLink() { SetFontColor(ui_->bugReportLink, vorkan::clWindowText); }

void AboutWindow::closeWindow() {
  close();
  position_ = Placement::ScreenCentre;
}

void AboutWindow::MailLinkChoice(const char* subject) {
  const vorkan::PromptResult answer = vorkan::ShowPrompt(
      kMailQuestion, vorkan::PromptKind::Confirmation,
      vorkan::ButtonSet({vorkan::PromptButton::Yes, vorkan::PromptButton::No, vorkan::PromptButton::Cancel}));
  if (answer == vorkan::PromptResult::Yes) {
    // Spaces and quotes go into the link as they are; the link reaches
    // xdg-open as one argument, never through a shell.
    vorkan::OpenWithDesktop(std::string("mailto:") + kContactAddress + "?subject=\"" + subject + "\"");
  } else if (answer == vorkan::PromptResult::No) {
    vorkan::SetClipboardText(kContactAddress);
  }
}

void AboutWindow::setVisible(bool visible) {
  if (visible && !isVisible() && position_ == Placement::ScreenCentre) {
    vorkan::CentreOnScreen(*this);
    position_ = Placement::AsPlaced;
  }
  QDialog::setVisible(visible);
}

void AboutWindow::reject() { done(static_cast<int>(vorkan::PromptResult::Cancel)); }

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool address = watched == ui_->emailLink;
  if (!address && watched != ui_->bugReportLink) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter: address ? highlightEmailLink() : highlightBugReportLink(); break;
    case QEvent::Leave: address ? plainEmailLink() : plainBugReportLink(); break;
    case QEvent::MouseButtonRelease: {
      // A click: the left button pressed and released on the link.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton &&
          static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()))
        static_cast<vorkan::LinkLabel*>(watched)->Activate();
      break;
    }
    default: break;
  }
  return QDialog::eventFilter(watched, event);
}
