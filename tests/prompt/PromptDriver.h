// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a real prompt and answers it from inside its own event loop.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <string>

#include <optional>

#include "ShowPrompt.h"
#include "PromptBox.h"
#include "PromptAnswers.h"

namespace vorkan::testing {

struct Answered {
  std::optional<PromptResult> result;  // none until answered
  int shown = 0;                       // how many boxes the answer saw
};

inline Answered ShowAndAnswer(const std::string& text, PromptKind kind, PromptButtons buttons,
                              const std::function<void(PromptBox&)>& act) {
  Answered answered;
  vorkan::test::AnswerPrompts([&](PromptBox& form) {
    ++answered.shown;
    act(form);
    // A box the action left open is closed with its close box, so that the
    // test never hangs; the result then is Cancel.
    if (form.isVisible()) form.close();
  });
  answered.result = ShowPrompt(text, kind, buttons);
  vorkan::test::AnswerPrompts(nullptr);
  return answered;
}

// A key typed into the box: to the control that has the focus.
inline void Type(PromptBox& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
  QTest::keyClick(target, key, modifiers);
}

inline QString FocusedName(PromptBox& form) {
  return form.focusWidget() ? form.focusWidget()->objectName() : QString();
}

}  // namespace vorkan::testing
