// SPDX-License-Identifier: GPL-3.0-or-later
// Answers the program's prompt boxes as a user at the screen would: the
// moment a box is shown, the test's answer runs on it from the box's own
// event loop. The program itself knows nothing of this; a filter on the
// application watches for the boxes.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <functional>
#include <utility>

#include "PromptBox.h"

namespace vorkan::test {

using PromptAnswer = std::function<void(PromptBox&)>;

namespace detail {

inline PromptAnswer& CurrentAnswer() {
  static PromptAnswer answer;
  return answer;
}

class PromptWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !CurrentAnswer()) return false;
    auto* box = qobject_cast<PromptBox*>(watched);
    if (box == nullptr) return false;
    QMetaObject::invokeMethod(
        box,
        [box = QPointer<PromptBox>(box)] {
          // A copy: the answer may replace itself while it runs.
          const PromptAnswer answer = CurrentAnswer();
          if (box && box->isVisible() && answer) answer(*box);
        },
        Qt::QueuedConnection);
    return false;
  }
};

}  // namespace detail

// The answer every prompt box gets from now on; an empty one leaves the boxes
// to the user. Returns the answer it replaces.
inline PromptAnswer AnswerPrompts(PromptAnswer answer) {
  static detail::PromptWatcher* watcher = [] {
    auto* w = new detail::PromptWatcher;
    qApp->installEventFilter(w);
    return w;
  }();
  (void)watcher;
  return std::exchange(detail::CurrentAnswer(), std::move(answer));
}

}  // namespace vorkan::test
