// SPDX-License-Identifier: GPL-3.0-or-later
// The two links: their hover colours and the choice between a new message in
// the mail program and the address on the clipboard.
#include <QApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

#include "AboutDriver.h"
#include "Clipboard.h"
#include "Shell.h"
#include "AboutWindow.h"
#include "PromptBox.h"
#include "PromptAnswers.h"

namespace {

using vorkan::test::Control;

const char* const kQuestion =
    "Нажмите [Да] для открытия письма в e-mail клиенте по-умолчанию.\n\r"
    "Нажмите [Нет] для копирования e-mail адреса в буфер обмена.";

void Enter(QWidget* widget) {
  QEnterEvent event(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(widget, &event);
}

QColor TextColour(AboutWindow& form, const char* name) {
  return Control<QLabel>(form, name)->palette().color(QPalette::WindowText);
}

// A desktop palette whose window text, button text and link colours differ.
class LinkHover : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QApplication::palette();
    QPalette theme = saved_;
    theme.setColor(QPalette::ButtonText, QColor(120, 30, 40));
    theme.setColor(QPalette::WindowText, QColor(10, 90, 20));
    theme.setColor(QPalette::Link, QColor(200, 0, 200));
    QApplication::setPalette(theme);
  }
  void TearDown() override { QApplication::setPalette(saved_); }

  QPalette saved_;
};

TEST_F(LinkHover, TurnsALinkBlueOnEnterAndToTheWindowTextColourOnLeave) {
  AboutWindow form;
  form.show();
  for (const char* name : {"emailLink", "bugReportLink"}) {
    SCOPED_TRACE(name);
    const char* other = std::string(name) == "emailLink" ? "bugReportLink" : "emailLink";
    const QColor otherBefore = TextColour(form, other);
    QLabel* link = Control<QLabel>(form, name);
    EXPECT_EQ(TextColour(form, name), QColor(120, 30, 40)) << "button text before the first hover";
    Enter(link);
    EXPECT_EQ(TextColour(form, name), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(form, other), otherBefore) << "only the link under the pointer changes";
    Leave(link);
    EXPECT_EQ(TextColour(form, name), QColor(10, 90, 20));
    Enter(link);
    EXPECT_EQ(TextColour(form, name), QColor(0, 0, 255)) << "every entry, not just the first";
    Leave(link);
    EXPECT_EQ(TextColour(form, name), QColor(10, 90, 20));
  }
}

TEST_F(LinkHover, LeavesTheOtherLabelsAlone) {
  AboutWindow form;
  form.show();
  for (const char* name : {"titleLabel", "authorField", "emailCaption"}) {
    QLabel* label = Control<QLabel>(form, name);
    Enter(label);
    Leave(label);
    EXPECT_EQ(TextColour(form, name), QColor(120, 30, 40)) << name;
  }
}

struct Link {
  const char* label;
  const char* mailto;
};

// What the user answers in the prompt.
enum class Answer { Yes, No, Cancel, CloseBox };

struct LinkCase {
  Link link;
  Answer answer;
};

std::string Describe(const LinkCase& c) {
  static const char* const answers[] = {"Yes", "No", "Cancel", "CloseBox"};
  return std::string(c.link.label) + "_" + answers[static_cast<int>(c.answer)];
}

void PrintTo(const LinkCase& c, std::ostream* os) { *os << Describe(c); }

std::string CaseName(const ::testing::TestParamInfo<LinkCase>& info) { return Describe(info.param); }

const Link kAddress = {
    "emailLink", "mailto:vorkan@example.org?subject=\"Vorkan v.1.2 29.09.07 RUS/KX7 - Software comment\""};
const Link kBugReport = {"bugReportLink",
                         "mailto:vorkan@example.org?subject=\"Vorkan v.1.2 29.09.07 RUS/KX7 - Bug report\""};

struct Started {
  std::string program;
  std::vector<std::string> arguments;
};

// The opener records what would be started; the clipboard starts with a text
// of its own.
class LinkClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ =
        vorkan::SetOpener([this](const std::string& program, const std::vector<std::string>& arguments) {
          started_.push_back({program, arguments});
        });
    vorkan::SetClipboardText("what was there before");
  }
  void TearDown() override {
    vorkan::SetOpener(previous_);
    vorkan::test::AnswerPrompts(nullptr);
  }

  // Clicks the link on the shown window and answers the prompt.
  void ClickAndAnswer(AboutWindow& form, const char* label, Answer answer) {
    vorkan::test::AnswerPrompts([this, answer](vorkan::PromptBox& box) {
      ++prompts_;
      text_ = box.Text();
      kind_ = box.Kind();
      buttons_ = box.Buttons();
      switch (answer) {
        case Answer::Yes: QTest::mouseClick(box.Button(vorkan::PromptButton::Yes), Qt::LeftButton); break;
        case Answer::No: QTest::mouseClick(box.Button(vorkan::PromptButton::No), Qt::LeftButton); break;
        case Answer::Cancel:
          QTest::mouseClick(box.Button(vorkan::PromptButton::Cancel), Qt::LeftButton);
          break;
        case Answer::CloseBox: box.close(); break;
      }
      if (box.isVisible()) box.close();
    });
    QLabel* link = Control<QLabel>(form, label);
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    vorkan::test::AnswerPrompts(nullptr);
  }

  vorkan::Opener previous_;
  std::vector<Started> started_;
  int prompts_ = 0;
  std::string text_;
  vorkan::PromptKind kind_ = vorkan::PromptKind::Warning;
  vorkan::PromptButtons buttons_ = 0;
};

class MailLink : public LinkClicks, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(MailLink, AsksAndActsOnTheAnswer) {
  const LinkCase& c = GetParam();
  AboutWindow form;
  form.show();
  ClickAndAnswer(form, c.link.label, c.answer);

  ASSERT_EQ(prompts_, 1);
  EXPECT_EQ(text_, kQuestion);
  EXPECT_EQ(kind_, vorkan::PromptKind::Confirmation);
  EXPECT_EQ(buttons_, vorkan::ButtonSet({vorkan::PromptButton::Yes, vorkan::PromptButton::No,
                                         vorkan::PromptButton::Cancel}));

  switch (c.answer) {
    case Answer::Yes:
      ASSERT_EQ(started_.size(), 1u);
      EXPECT_EQ(started_[0].program, "xdg-open");
      // One argument, the link exactly as built: quotes and spaces unencoded.
      EXPECT_EQ(started_[0].arguments, std::vector<std::string>{c.link.mailto});
      EXPECT_EQ(vorkan::ClipboardText(), "what was there before");
      break;
    case Answer::No:
      EXPECT_TRUE(started_.empty());
      EXPECT_EQ(vorkan::ClipboardText(), "vorkan@example.org");
      // The address on the clipboard is the one the window shows.
      EXPECT_EQ(QString::fromStdString(vorkan::ClipboardText()), Control<QLabel>(form, "emailLink")->text());
      break;
    case Answer::Cancel:
    case Answer::CloseBox:
      EXPECT_TRUE(started_.empty());
      EXPECT_EQ(vorkan::ClipboardText(), "what was there before");
      break;
  }
  EXPECT_TRUE(form.isVisible()) << "the window stays open whatever the answer";
}

INSTANTIATE_TEST_SUITE_P(
    BothLinks, MailLink,
    ::testing::Values(LinkCase{kAddress, Answer::Yes}, LinkCase{kAddress, Answer::No},
                      LinkCase{kAddress, Answer::Cancel}, LinkCase{kAddress, Answer::CloseBox},
                      LinkCase{kBugReport, Answer::Yes}, LinkCase{kBugReport, Answer::No},
                      LinkCase{kBugReport, Answer::Cancel}, LinkCase{kBugReport, Answer::CloseBox}),
    CaseName);

TEST_F(LinkClicks, OnlyALeftClickOnALinkAsks) {
  AboutWindow form;
  form.show();
  vorkan::test::AnswerPrompts([this](vorkan::PromptBox& box) {
    ++prompts_;
    box.close();
  });
  QTest::mouseClick(Control<QLabel>(form, "emailLink"), Qt::RightButton, Qt::NoModifier, QPoint(3, 3));
  QTest::mouseClick(Control<QLabel>(form, "authorField"), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  QTest::mouseClick(Control<QLabel>(form, "emailCaption"), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  EXPECT_EQ(prompts_, 0);
  QTest::mouseClick(Control<QLabel>(form, "bugReportLink"), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  EXPECT_EQ(prompts_, 1);
  EXPECT_TRUE(started_.empty());
}

}  // namespace
