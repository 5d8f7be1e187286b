// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <ostream>
#include <vector>

#include "PromptDriver.h"

namespace vorkan {
namespace {

using testing::FocusedName;
using testing::ShowAndAnswer;
using testing::Type;

struct SetCase {
  const char* name;
  std::vector<PromptButton> buttons;      // in the order they are shown
  std::optional<PromptResult> escResult;  // none: Esc does nothing
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

PromptButtons SetOf(const SetCase& c) {
  PromptButtons set = 0;
  for (PromptButton b : c.buttons) set = static_cast<PromptButtons>(set | ButtonSet({b}));
  return set;
}

const char* NameOf(PromptButton b) {
  static const char* const names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore"};
  return names[static_cast<int>(b)];
}

Qt::Key AccessKeyOf(PromptButton b) {
  switch (b) {
    case PromptButton::Yes: return Qt::Key_Y;
    case PromptButton::No: return Qt::Key_N;
    case PromptButton::Abort: return Qt::Key_A;
    case PromptButton::Retry: return Qt::Key_R;
    case PromptButton::Ignore: return Qt::Key_I;
    default: return Qt::Key_unknown;
  }
}

class PromptSetTest : public ::testing::TestWithParam<SetCase> {};

// Every button set the program shows.
const SetCase kSets[] = {
    {"OK", {PromptButton::OK}, PromptResult::Ok},
    {"YesNo", {PromptButton::Yes, PromptButton::No}, PromptResult::No},
    {"YesNoCancel", {PromptButton::Yes, PromptButton::No, PromptButton::Cancel}, PromptResult::Cancel},
    {"CancelRetry", {PromptButton::Cancel, PromptButton::Retry}, PromptResult::Cancel},
    {"CancelRetryIgnore",
     {PromptButton::Cancel, PromptButton::Retry, PromptButton::Ignore},
     PromptResult::Cancel},
    {"AbortRetryIgnore", {PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}, std::nullopt},
};

TEST_P(PromptSetTest, ButtonsStandInTheFixedOrderAndTheLeftmostHasTheFocus) {
  const SetCase& c = GetParam();
  QString focused;
  std::vector<QString> order;
  std::vector<QString> drawnAsDefault;
  const auto answered = ShowAndAnswer("Вопрос", PromptKind::Confirmation, SetOf(c), [&](PromptBox& form) {
    focused = FocusedName(form);
    for (QPushButton* b : form.findChildren<QPushButton*>())
      if (b->isDefault()) drawnAsDefault.push_back(b->objectName());
    for (const PlacedButton& p : form.Layout().buttons) order.push_back(form.Button(p.button)->objectName());
  });
  EXPECT_EQ(answered.shown, 1);
  EXPECT_EQ(focused, QLatin1String(NameOf(c.buttons.front())));
  ASSERT_EQ(drawnAsDefault.size(), 1u) << "only the focused button is drawn as the default";
  EXPECT_EQ(drawnAsDefault[0], QLatin1String(NameOf(c.buttons.front())));
  ASSERT_EQ(order.size(), c.buttons.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], QLatin1String(NameOf(c.buttons[i])));
}

TEST_P(PromptSetTest, ImmediateEnterPressesTheLeftmostButton) {
  const SetCase& c = GetParam();
  const auto answered = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c),
                                      [](PromptBox& form) { Type(form, Qt::Key_Return); });
  EXPECT_EQ(answered.result, ResultOf(c.buttons.front()));
  const auto keypad = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c),
                                    [](PromptBox& form) { Type(form, Qt::Key_Enter, Qt::KeypadModifier); });
  EXPECT_EQ(keypad.result, ResultOf(c.buttons.front()));
}

TEST_P(PromptSetTest, EscPressesTheCancelButtonOrNothing) {
  const SetCase& c = GetParam();
  bool stillOpen = false;
  const auto answered = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [&](PromptBox& form) {
    Type(form, Qt::Key_Escape);
    stillOpen = form.isVisible();
    if (stillOpen) Type(form, Qt::Key_Right);  // then the second button ...
    if (stillOpen) Type(form, Qt::Key_Space);  // ... pressed with Space
  });
  if (!c.escResult) {
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(answered.result, ResultOf(c.buttons.size() > 1 ? c.buttons[1] : c.buttons[0]));
  } else {
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(answered.result, c.escResult);
  }
}

TEST_P(PromptSetTest, CloseBoxAndAltF4AnswerCancel) {
  const SetCase& c = GetParam();
  const auto closed =
      ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [](PromptBox& form) { form.close(); });
  EXPECT_EQ(closed.result, PromptResult::Cancel);
  bool closedByKey = false;
  const auto altF4 = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [&](PromptBox& form) {
    Type(form, Qt::Key_F4, Qt::AltModifier);
    closedByKey = !form.isVisible();
  });
  EXPECT_TRUE(closedByKey);
  EXPECT_EQ(altF4.result, PromptResult::Cancel);
}

TEST_P(PromptSetTest, AccessKeysWithAndWithoutAltPressTheirButton) {
  const SetCase& c = GetParam();
  for (PromptButton b : c.buttons) {
    const Qt::Key key = AccessKeyOf(b);
    if (key == Qt::Key_unknown) continue;  // "OK" and "Cancel" have none
    SCOPED_TRACE(NameOf(b));
    const auto plain =
        ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [&](PromptBox& form) { Type(form, key); });
    EXPECT_EQ(plain.result, ResultOf(b));
    const auto alt = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c),
                                   [&](PromptBox& form) { Type(form, key, Qt::AltModifier); });
    EXPECT_EQ(alt.result, ResultOf(b));
  }
}

TEST_P(PromptSetTest, TabAndArrowsMoveTheFocusAroundTheRow) {
  const SetCase& c = GetParam();
  const std::size_t n = c.buttons.size();
  std::vector<QString> forward, backward;
  const auto answered = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [&](PromptBox& form) {
    const Qt::Key nextKeys[] = {Qt::Key_Tab, Qt::Key_Right, Qt::Key_Down};
    for (std::size_t i = 0; i < n + 1; ++i) {
      Type(form, nextKeys[i % 3]);
      forward.push_back(FocusedName(form));
    }
    const Qt::Key previousKeys[] = {Qt::Key_Left, Qt::Key_Up};
    for (std::size_t i = 0; i < n + 1; ++i) {
      if (i == n)
        Type(form, Qt::Key_Tab, Qt::ShiftModifier);
      else
        Type(form, previousKeys[i % 2]);
      backward.push_back(FocusedName(form));
    }
    // The focused button takes Enter.
    Type(form, Qt::Key_Right);
    Type(form, Qt::Key_Return);
  });
  ASSERT_EQ(forward.size(), n + 1);
  for (std::size_t i = 0; i < n + 1; ++i)
    EXPECT_EQ(forward[i], QLatin1String(NameOf(c.buttons[(i + 1) % n]))) << "forward " << i;
  // From the button after the first, back around the row.
  const std::size_t start = 1 % n;
  for (std::size_t i = 0; i < n + 1; ++i)
    EXPECT_EQ(backward[i], QLatin1String(NameOf(c.buttons[(start + n * 4 - (i + 1)) % n])))
        << "backward " << i;
  const std::size_t last = (start + n * 4 - (n + 1)) % n;
  EXPECT_EQ(answered.result, ResultOf(c.buttons[(last + 1) % n]));
}

TEST_P(PromptSetTest, EnterAndEscWithModifiersDoNothing) {
  const SetCase& c = GetParam();
  bool stillOpen = false;
  const auto answered = ShowAndAnswer("Вопрос", PromptKind::Warning, SetOf(c), [&](PromptBox& form) {
    Type(form, Qt::Key_Return, Qt::ShiftModifier);
    Type(form, Qt::Key_Return, Qt::ControlModifier);
    Type(form, Qt::Key_Escape, Qt::ShiftModifier);
    Type(form, Qt::Key_Escape, Qt::ControlModifier);
    stillOpen = form.isVisible();
    form.Button(c.buttons.back())->click();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(answered.result, ResultOf(c.buttons.back()));
}

TEST_P(PromptSetTest, ClickingAButtonReturnsItsCode) {
  const SetCase& c = GetParam();
  for (PromptButton b : c.buttons) {
    const auto answered = ShowAndAnswer("Вопрос", PromptKind::Information, SetOf(c), [&](PromptBox& form) {
      QTest::mouseClick(form.Button(b), Qt::LeftButton);
    });
    EXPECT_EQ(answered.result, ResultOf(b)) << NameOf(b);
  }
}

INSTANTIATE_TEST_SUITE_P(ButtonSets, PromptSetTest, ::testing::ValuesIn(kSets),
                         [](const ::testing::TestParamInfo<SetCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PromptRolesTest, DefaultAndCancelButtonsByTheSet) {
  auto roles = [](PromptButtons set) {
    PromptBox form("x", PromptKind::Warning, set);
    auto name = [](QPushButton* b) { return b ? b->objectName().toStdString() : std::string("none"); };
    return name(form.DefaultButton()) + "/" + name(form.CancelButton());
  };
  using B = PromptButton;
  EXPECT_EQ(roles(ButtonSet({B::OK})), "OK/OK");
  EXPECT_EQ(roles(ButtonSet({B::Yes, B::No})), "Yes/No");
  EXPECT_EQ(roles(ButtonSet({B::Yes, B::No, B::Cancel})), "Yes/Cancel");
  EXPECT_EQ(roles(ButtonSet({B::Cancel, B::Retry})), "Retry/Cancel");
  EXPECT_EQ(roles(ButtonSet({B::Cancel, B::Retry, B::Ignore})), "Retry/Cancel");
  EXPECT_EQ(roles(ButtonSet({B::Abort, B::Retry, B::Ignore})), "Retry/none");
  EXPECT_EQ(roles(ButtonSet({B::OK, B::Cancel})), "OK/Cancel");
  EXPECT_EQ(roles(ButtonSet({B::Abort, B::Ignore})), "none/none");
}

}  // namespace
}  // namespace vorkan
