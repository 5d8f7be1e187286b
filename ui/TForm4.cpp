#include "TForm4.h"

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
#include "ui_TForm4.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

// The maker and how to reach him. The layout shows the ICQ number and the
// address (Label8, Label10); the address also goes into the mail links and
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

TForm4::TForm4(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm4>()) {
  // The banner comes from the compiled-in pictures.
  vorkan::InitResources();
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);

  for (QLabel* label : std::initializer_list<QLabel*>{ui_->Label1, ui_->Label3, ui_->Label4, ui_->Label5,
                                                      ui_->Label6, ui_->Label7, ui_->Label8, ui_->Label9,
                                                      ui_->Label10, ui_->Label11, ui_->Label12, ui_->Label13})
    SetFontColor(label, clBtnText);

  vorkan::SetColor(*ui_->Memo1, QPalette::Base, vorkan::ResolveColor(kMemoColor));

  ui_->Label10->installEventFilter(this);
  ui_->Label11->installEventFilter(this);
  // A click, or a screen reader's press.
  connect(ui_->Label10, &vorkan::LinkLabel::activated, this, [this] { Label10Click(); });
  connect(ui_->Label11, &vorkan::LinkLabel::activated, this, [this] { Label11Click(); });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  FormCreate();
  // The address link sizes itself to the text it was laid out with.
  ui_->Label10->adjustSize();
  // Tab order 0: the button has the focus when the window first opens.
  ui_->Button1->setFocus();
}

TForm4::~TForm4() = default;

void TForm4::FormCreate() {
  RefreshInfo();
  setWindowTitle(QStringLiteral("Vorkan v1.2"));
  ui_->Label4->setText(QStringLiteral("1.2 29.09.07 RUS/KX7"));
  ui_->Label1->setText(QStringLiteral("Vorkan - Бесплатное копирование дисков"));
  ui_->Label11->setText(QStringLiteral("Сообщить об ошибке"));
  ui_->Label11->adjustSize();
  ui_->Label3->setText(QStringLiteral("Версия:"));
  ui_->Label5->setText(QStringLiteral("Автор:"));
  ui_->Label7->setText(QStringLiteral("ICQ:"));
  ui_->Label9->setText(QStringLiteral("E-Mail:"));
  ui_->Label12->setText(QStringLiteral("Лицензия:"));
  ui_->Label13->setText(QString::fromUtf8(kLicence));
  ui_->Label6->setText(QString::fromUtf8(kAuthor));
}

void TForm4::RefreshInfo() {
  ui_->Memo1->clear();
  ui_->Memo1->setPlainText(QString::fromUtf8(kDescription));
}

void TForm4::Label10Click() { MailLinkChoice(kCommentSubject); }

void TForm4::Label11Click() { MailLinkChoice(kBugReportSubject); }

void TForm4::Label10MouseEnter() { SetFontColor(ui_->Label10, clBlue); }

void TForm4::Label10MouseLeave() { SetFontColor(ui_->Label10, vorkan::clWindowText); }

void TForm4::Label11MouseEnter() { SetFontColor(ui_->Label11, clBlue); }

void TForm4::Label11MouseLeave() { SetFontColor(ui_->Label11, vorkan::clWindowText); }

void TForm4::Button1Click() {
  close();
  position_ = TPosition::poScreenCenter;
}

void TForm4::MailLinkChoice(const char* subject) {
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

void TForm4::setVisible(bool visible) {
  if (visible && !isVisible() && position_ == TPosition::poScreenCenter) {
    vorkan::CentreOnScreen(*this);
    position_ = TPosition::poDesigned;
  }
  QDialog::setVisible(visible);
}

void TForm4::reject() { done(static_cast<int>(vorkan::PromptResult::Cancel)); }

void TForm4::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  const bool address = watched == ui_->Label10;
  if (!address && watched != ui_->Label11) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter: address ? Label10MouseEnter() : Label11MouseEnter(); break;
    case QEvent::Leave: address ? Label10MouseLeave() : Label11MouseLeave(); break;
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
