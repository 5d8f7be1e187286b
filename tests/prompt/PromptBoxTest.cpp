// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <stdexcept>

#include "Application.h"
#include "Clipboard.h"
#include "PromptDriver.h"
#include "VorkanApplication.h"
#include "PromptAnswers.h"

namespace vorkan {
namespace {

using testing::ShowAndAnswer;
using testing::Type;

const std::string kDashes = std::string(27, '-') + "\r\n";

TEST(PromptClipboardTest, CtrlCPutsTheBoxOnTheClipboardAndKeepsItOpen) {
  const std::string text =
      "Нажмите [Да] для открытия письма в e-mail клиенте по-умолчанию.\n\rНажмите [Нет] для копирования "
      "e-mail "
      "адреса в буфер обмена.";
  SetClipboardText("before");
  bool stillOpen = false;
  const auto answered = ShowAndAnswer(text, PromptKind::Confirmation,
                                      ButtonSet({PromptButton::Yes, PromptButton::No, PromptButton::Cancel}),
                                      [&](PromptBox& form) {
                                        Type(form, Qt::Key_C, Qt::ControlModifier);
                                        stillOpen = form.isVisible();
                                      });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(answered.result, PromptResult::Cancel);
  EXPECT_EQ(ClipboardText(), kDashes + "Confirm\r\n" + kDashes + text + "\r\n" + kDashes +
                                 "Yes   No   Cancel   \r\n" + kDashes);
}

TEST(PromptClipboardTest, ButtonLineForEachSetWithoutAccessMarkers) {
  const struct {
    PromptButtons set;
    PromptKind kind;
    const char* title;
    const char* line;
  } cases[] = {
      {ButtonSet({PromptButton::Yes, PromptButton::No}), PromptKind::Warning, "Warning", "Yes   No   "},
      {ButtonSet({PromptButton::OK}), PromptKind::Information, "Information", "OK   "},
      {ButtonSet({PromptButton::Ignore, PromptButton::Retry, PromptButton::Abort}), PromptKind::Error,
       "Error", "Abort   Retry   Ignore   "},
  };
  for (const auto& c : cases) {
    PromptBox form("Диск C:\\ переполнен или ошибка записи!", c.kind, c.set);
    EXPECT_EQ(form.ClipboardForm(), kDashes + c.title + "\r\n" + kDashes +
                                        "Диск C:\\ переполнен или ошибка записи!\r\n" + kDashes + c.line +
                                        "\r\n" + kDashes);
  }
}

TEST(PromptClipboardTest, OnlyCtrlCCopies) {
  SetClipboardText("untouched");
  ShowAndAnswer("text", PromptKind::Information, ButtonSet({PromptButton::OK}), [](PromptBox& form) {
    Type(form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    Type(form, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
  });
  EXPECT_EQ(ClipboardText(), "untouched");
}

TEST(PromptTerminatingTest, TerminatingApplicationGetsCancelWithoutABox) {
  Application::Instance().SetTerminating(true);
  const auto answered = ShowAndAnswer("Вы хотите сохранить?", PromptKind::Confirmation,
                                      ButtonSet({PromptButton::Yes, PromptButton::No}),
                                      [](PromptBox& form) { Type(form, Qt::Key_Return); });
  const auto abortSet =
      ShowAndAnswer("Навозможно заблокировать диск C:\\!", PromptKind::Warning,
                    ButtonSet({PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}),
                    [](PromptBox& form) { Type(form, Qt::Key_Return); });
  Application::Instance().SetTerminating(false);
  EXPECT_EQ(answered.result, PromptResult::Cancel);
  EXPECT_EQ(answered.shown, 0);
  EXPECT_EQ(abortSet.result, PromptResult::Cancel);
  EXPECT_EQ(abortSet.shown, 0);
}

TEST(PromptTerminatingTest, BoxUpWhenTheApplicationStartsTerminatingClosesWithCancel) {
  bool closed = false;
  const auto answered = ShowAndAnswer("Вы хотите сохранить?", PromptKind::Confirmation,
                                      ButtonSet({PromptButton::Yes, PromptButton::No}), [&](PromptBox& form) {
                                        Application::Instance().SetTerminating(true);
                                        closed = !form.isVisible();
                                      });
  Application::Instance().SetTerminating(false);
  EXPECT_TRUE(closed);
  EXPECT_EQ(answered.result, PromptResult::Cancel);
}

TEST(PromptModalTest, BoxIsApplicationModalAndGoneAfterTheCall) {
  QWidget other;
  other.show();
  QPointer<PromptBox> seen;
  bool modal = false;
  QWidget* activeModal = nullptr;
  const auto answered =
      ShowAndAnswer("text", PromptKind::Information, ButtonSet({PromptButton::OK}), [&](PromptBox& form) {
        seen = &form;
        modal = form.windowModality() == Qt::ApplicationModal;
        activeModal = QApplication::activeModalWidget();
        Type(form, Qt::Key_Space);
      });
  EXPECT_EQ(answered.result, PromptResult::Ok);
  EXPECT_TRUE(modal);
  EXPECT_NE(activeModal, nullptr);
  EXPECT_TRUE(seen.isNull()) << "the box is destroyed before the call returns";
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(PromptModalTest, PromptInsideAPromptAnswersEach) {
  std::optional<PromptResult> inner;
  int depth = 0;
  vorkan::test::AnswerPrompts([&](PromptBox& form) {
    ++depth;
    if (depth == 1) {
      // An event handler that runs while the first box is up shows another.
      vorkan::test::AnswerPrompts([](PromptBox& second) { Type(second, Qt::Key_N); });
      inner = ShowPrompt("inner", PromptKind::Warning, ButtonSet({PromptButton::Yes, PromptButton::No}));
      Type(form, Qt::Key_Return);
    }
  });
  const PromptResult outer = ShowPrompt("outer", PromptKind::Information, ButtonSet({PromptButton::OK}));
  vorkan::test::AnswerPrompts(nullptr);
  EXPECT_EQ(inner, PromptResult::No);
  EXPECT_EQ(outer, PromptResult::Ok);
}

class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Деление на ноль");
    return QObject::event(e);
  }
};

TEST(FaultBoxTest, FaultIsShownInTheErrorBoxWithTheApplicationTitle) {
  InstallFaultBox();
  Application::Instance().SetTitle("Vorkan v1.2");
  QString title, message;
  std::vector<QString> buttons;
  bool hasIcon = false;
  std::string text;
  PromptKind kind = PromptKind::Warning;
  vorkan::test::AnswerPrompts([&](PromptBox& form) {
    title = form.windowTitle();
    text = form.Text();
    kind = form.Kind();
    hasIcon = !form.IconLabel()->pixmap().isNull();
    for (QPushButton* b : form.findChildren<QPushButton*>()) buttons.push_back(b->objectName());
    Type(form, Qt::Key_Return);
  });
  Thrower thrower;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&thrower, &event);
  vorkan::test::AnswerPrompts(nullptr);
  Application::Instance().SetTitle("");

  EXPECT_EQ(title, QStringLiteral("Vorkan v1.2"));
  EXPECT_EQ(text, "Деление на ноль.");
  EXPECT_EQ(kind, PromptKind::Error);
  EXPECT_TRUE(hasIcon);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0], QStringLiteral("OK"));
}

}  // namespace
}  // namespace vorkan
