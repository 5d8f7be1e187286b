// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptBox.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <array>

#include "Application.h"
#include "Clipboard.h"
#include "MulDiv.h"
#include "PromptAccessible.h"
#include "PromptMessage.h"
#include "WindowPlacement.h"

namespace vorkan {

namespace {

constexpr PromptButton kButtonOrder[] = {PromptButton::Yes,    PromptButton::No,    PromptButton::OK,
                                         PromptButton::Cancel, PromptButton::Abort, PromptButton::Retry,
                                         PromptButton::Ignore};

constexpr int kIconSize = 32;
constexpr Qt::TextFlag kMeasureFlags = kPromptTextFlags;

QString WithoutAccessMarker(QString caption) { return caption.remove(QLatin1Char('&')); }

// The letter that presses a button with or without Alt; 0 for none.
QChar AccessKey(PromptButton button) {
  const QString caption = PromptCaption(button);
  const qsizetype at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toUpper() : QChar();
}

QStyle::StandardPixmap IconOf(PromptKind kind) {
  switch (kind) {
    case PromptKind::Warning: return QStyle::SP_MessageBoxWarning;
    case PromptKind::Error: return QStyle::SP_MessageBoxCritical;
    case PromptKind::Information: return QStyle::SP_MessageBoxInformation;
    case PromptKind::Confirmation: return QStyle::SP_MessageBoxQuestion;
  }
  return QStyle::SP_MessageBoxInformation;
}

// A button whose keys are the box's, and whose access key presses it at once.
class MessageButton : public QPushButton {
 public:
  MessageButton(const QString& caption, PromptBox* form) : QPushButton(caption, form), form_(form) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Shortcut) {
      click();
      return true;
    }
    if (e->type() == QEvent::KeyPress && form_->HandleKey(static_cast<QKeyEvent*>(e))) return true;
    return QPushButton::event(e);
  }

 private:
  PromptBox* form_;
};

}  // namespace

QString PromptTitle(PromptKind kind) {
  switch (kind) {
    case PromptKind::Warning: return QStringLiteral("Warning");
    case PromptKind::Error: return QStringLiteral("Error");
    case PromptKind::Information: return QStringLiteral("Information");
    case PromptKind::Confirmation: return QStringLiteral("Confirm");
  }
  return QString();
}

QString PromptCaption(PromptButton button) {
  switch (button) {
    case PromptButton::Yes: return QStringLiteral("&Yes");
    case PromptButton::No: return QStringLiteral("&No");
    case PromptButton::OK: return QStringLiteral("OK");
    case PromptButton::Cancel: return QStringLiteral("Cancel");
    case PromptButton::Abort: return QStringLiteral("&Abort");
    case PromptButton::Retry: return QStringLiteral("&Retry");
    case PromptButton::Ignore: return QStringLiteral("&Ignore");
  }
  return QString();
}

QString PromptDisplayText(const std::string& text) {
  const QString in = QString::fromStdString(text);
  QString out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    const QChar c = in.at(i);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      const QChar pair = c == QLatin1Char('\r') ? QLatin1Char('\n') : QLatin1Char('\r');
      if (i + 1 < in.size() && in.at(i + 1) == pair) ++i;
      out.append(QLatin1Char('\n'));
    } else {
      out.append(c);
    }
  }
  return out;
}

QFont PromptFont() { return QApplication::font("QMessageBox"); }

CaptionWidths& KeptCaptionWidths() {
  static CaptionWidths widths{};
  return widths;
}

PromptLayout LayOutPrompt(const QString& text, PromptButtons buttons, const QFont& font, int screenWidth,
                          CaptionWidths& captionWidths) {
  PromptLayout l;
  const QFontMetrics fm(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  l.unitX = fm.horizontalAdvance(letters) / 52;
  l.unitY = fm.height();

  l.horzMargin = MulDiv(8, l.unitX, 4);
  l.vertMargin = MulDiv(8, l.unitY, 8);
  l.horzSpacing = MulDiv(10, l.unitX, 4);
  l.vertSpacing = MulDiv(10, l.unitY, 8);
  l.buttonHeight = MulDiv(14, l.unitY, 8);
  l.buttonSpacing = MulDiv(4, l.unitX, 4);
  l.buttonWidth = MulDiv(50, l.unitX, 4);

  std::vector<PromptButton> shown;
  for (PromptButton b : kButtonOrder) {
    if (!HasButton(buttons, b)) continue;
    shown.push_back(b);
    int& kept = captionWidths[static_cast<std::size_t>(b)];
    if (kept == 0) kept = fm.horizontalAdvance(WithoutAccessMarker(PromptCaption(b))) + 8;
    if (kept > l.buttonWidth) l.buttonWidth = kept;
  }

  const QRect measured = fm.boundingRect(QRect(0, 0, screenWidth / 2, 0), kMeasureFlags, text);
  l.textWidth = measured.width();
  l.textHeight = measured.height();

  l.iconTextWidth = l.textWidth + kIconSize + l.horzSpacing;
  l.iconTextHeight = std::max(l.textHeight, kIconSize);

  const int n = static_cast<int>(shown.size());
  l.buttonRowWidth = n > 0 ? n * l.buttonWidth + (n - 1) * l.buttonSpacing : 0;

  l.clientWidth = std::max(l.iconTextWidth, l.buttonRowWidth) + 2 * l.horzMargin;
  l.clientHeight = l.iconTextHeight + l.buttonHeight + l.vertSpacing + 2 * l.vertMargin;

  l.iconRect = QRect(l.horzMargin, l.vertMargin, kIconSize, kIconSize);
  l.textRect = QRect(l.iconTextWidth - l.textWidth + l.horzMargin, l.vertMargin, l.textWidth, l.textHeight);

  int x = (l.clientWidth - l.buttonRowWidth) / 2;
  const int y = l.iconTextHeight + l.vertMargin + l.vertSpacing;
  for (PromptButton b : shown) {
    l.buttons.push_back({b, QRect(x, y, l.buttonWidth, l.buttonHeight)});
    x += l.buttonWidth + l.buttonSpacing;
  }
  return l;
}

PromptBox::PromptBox(const std::string& text, PromptKind kind, PromptButtons buttons)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      text_(text),
      kind_(kind),
      buttons_(buttons) {
  InstallPromptAccessible();
  setObjectName(QStringLiteral("MessageForm"));
  const QFont font = PromptFont();
  setFont(font);
  const QString shownText = PromptDisplayText(text);
  const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().size()
                                                        : QSize(640, 480);
  layout_ = LayOutPrompt(shownText, buttons, font, screen.width());

  setWindowTitle(PromptTitle(kind));
  setFixedSize(layout_.clientWidth, layout_.clientHeight);

  icon_ = new QLabel(this);
  icon_->setObjectName(QStringLiteral("Image"));
  icon_->setPixmap(style()->standardIcon(IconOf(kind), nullptr, this).pixmap(kIconSize, kIconSize));
  icon_->setGeometry(layout_.iconRect);

  auto* message = new PromptMessage(shownText, this);
  message->setObjectName(QStringLiteral("Message"));
  message->setGeometry(layout_.textRect);

  for (const PlacedButton& placed : layout_.buttons) {
    auto* control = new MessageButton(PromptCaption(placed.button), this);
    static const char* const kNames[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore"};
    control->setObjectName(QLatin1String(kNames[static_cast<int>(placed.button)]));
    control->setGeometry(placed.rect);
    // The focused button is the one Enter presses, and is drawn so.
    control->setAutoDefault(true);
    const PromptButton b = placed.button;
    connect(control, &QPushButton::clicked, this, [this, b] { Press(b); });
    controls_.emplace_back(placed.button, control);
  }

  if (HasButton(buttons, PromptButton::OK))
    defaultButton_ = Button(PromptButton::OK);
  else if (HasButton(buttons, PromptButton::Yes))
    defaultButton_ = Button(PromptButton::Yes);
  else
    defaultButton_ = Button(PromptButton::Retry);
  if (defaultButton_) defaultButton_->setDefault(true);

  if (HasButton(buttons, PromptButton::Cancel))
    cancelButton_ = Button(PromptButton::Cancel);
  else if (HasButton(buttons, PromptButton::No))
    cancelButton_ = Button(PromptButton::No);
  else
    cancelButton_ = Button(PromptButton::OK);

  if (!controls_.empty()) controls_.front().second->setFocus(Qt::OtherFocusReason);

  connect(&Application::Instance(), &Application::terminatingChanged, this, [this](bool terminating) {
    if (terminating && isVisible()) reject();
  });
}

PromptBox::~PromptBox() = default;

QPushButton* PromptBox::Button(PromptButton button) const {
  for (const auto& [b, control] : controls_) {
    if (b == button) return control;
  }
  return nullptr;
}

void PromptBox::SetTitle(const QString& title) { setWindowTitle(title); }

PromptResult PromptBox::Run() {
  result_ = PromptResult::Cancel;
  if (Application::Instance().IsTerminating()) return result_;
  exec();
  return result_;
}

void PromptBox::Press(PromptButton button) {
  result_ = ResultOf(button);
  done(static_cast<int>(result_));
}

void PromptBox::reject() {
  result_ = PromptResult::Cancel;
  done(static_cast<int>(PromptResult::Cancel));
}

int PromptBox::FocusedIndex() const {
  const QWidget* focused = focusWidget();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].second == focused) return static_cast<int>(i);
  }
  return -1;
}

void PromptBox::MoveFocus(bool forward) {
  const int n = static_cast<int>(controls_.size());
  if (n == 0) return;
  const int at = FocusedIndex();
  const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
  controls_[static_cast<std::size_t>(next)].second->setFocus(forward ? Qt::TabFocusReason
                                                                     : Qt::BacktabFocusReason);
}

bool PromptBox::HandleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const int key = event->key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (mods == Qt::NoModifier) {
        const int at = FocusedIndex();
        if (at >= 0)
          controls_[static_cast<std::size_t>(at)].second->click();
        else if (defaultButton_)
          defaultButton_->click();
      }
      return true;
    case Qt::Key_Escape:
      if (mods == Qt::NoModifier && cancelButton_) cancelButton_->click();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if ((mods & ~Qt::ShiftModifier) != Qt::NoModifier) return false;
      MoveFocus(key == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
      return true;
    case Qt::Key_Right:
    case Qt::Key_Down: MoveFocus(true); return true;
    case Qt::Key_Left:
    case Qt::Key_Up: MoveFocus(false); return true;
    case Qt::Key_F4:
      if (mods == Qt::AltModifier) {
        close();
        return true;
      }
      return false;
    case Qt::Key_C:
      if (mods == Qt::ControlModifier) {
        QApplication::beep();
        SetClipboardText(ClipboardForm());
        return true;
      }
      break;
    default: break;
  }
  // An access key, typed with or without Alt.
  if (key >= Qt::Key_A && key <= Qt::Key_Z &&
      (mods & ~(Qt::AltModifier | Qt::ShiftModifier)) == Qt::NoModifier) {
    const QChar letter(static_cast<char16_t>(u'A' + (key - Qt::Key_A)));
    for (const auto& [b, control] : controls_) {
      if (AccessKey(b) == letter) {
        control->setFocus(Qt::ShortcutFocusReason);
        control->click();
        return true;
      }
    }
  }
  return false;
}

void PromptBox::keyPressEvent(QKeyEvent* event) {
  // Not the dialog's own Enter and Esc handling: those keys are the box's.
  if (!HandleKey(event)) event->ignore();
}

void PromptBox::showEvent(QShowEvent* event) {
  vorkan::CentreOnScreen(*this);
  QDialog::showEvent(event);
  if (!controls_.empty() && FocusedIndex() < 0) controls_.front().second->setFocus(Qt::OtherFocusReason);
  // Screen readers read the whole alert, message included, as it opens.
  QAccessibleEvent alert(this, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}

std::string PromptBox::ClipboardForm() const {
  const QString line = QString(27, QLatin1Char('-')) + QStringLiteral("\r\n");
  QString captions;
  for (const auto& [b, control] : controls_)
    captions += WithoutAccessMarker(PromptCaption(b)) + QStringLiteral("   ");
  const QString form = line + windowTitle() + QStringLiteral("\r\n") + line + QString::fromStdString(text_) +
                       QStringLiteral("\r\n") + line + captions + QStringLiteral("\r\n") + line;
  return form.toStdString();
}

}  // namespace vorkan
