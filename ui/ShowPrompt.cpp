// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShowPrompt.h"

#include <QApplication>
#include <QWindow>

#include "Application.h"
#include "PromptBox.h"
#include "VorkanApplication.h"

namespace vorkan {
namespace {

// The window a prompt belongs to: the modal window that asks (the details
// window, the save dialog), else the active one, else the one window of the
// program shown (the progress window while the main window is hidden).
QWidget* PromptOwner() {
  // A window just closed (the save dialog) can stay the active one until
  // the desktop says otherwise; a prompt never belongs to a hidden window.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal->isVisible()) return modal;
  QWidget* active = QApplication::activeWindow();
  if (active != nullptr && active->isVisible() && qobject_cast<PromptBox*>(active) == nullptr) return active;
  QWidget* shown = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || w->isMinimized() || qobject_cast<PromptBox*>(w) != nullptr) continue;
    // A window of its own over another (the progress window is over the
    // main window) is the one in front.
    if (shown == nullptr || w->parentWidget() == shown) shown = w;
  }
  return shown;
}

// The desktop places the prompt over its window, keeps it in front of it
// and gives it no task-bar entry of its own.
void BelongTo(PromptBox& form) {
  QWidget* owner = PromptOwner();
  if (owner == nullptr || owner->windowHandle() == nullptr) return;
  form.winId();
  if (QWindow* window = form.windowHandle()) window->setTransientParent(owner->windowHandle());
}

}  // namespace

PromptResult ShowPrompt(const std::string& text, PromptKind kind, PromptButtons buttons) {
  if (Application::Instance().IsTerminating()) return PromptResult::Cancel;
  PromptBox form(text, kind, buttons);
  BelongTo(form);
  return form.Run();
}

void InstallFaultBox() {
  VorkanApplication::SetFaultPresenter([](const std::string& title, const std::string& text) {
    PromptBox form(text, PromptKind::Error, ButtonSet({PromptButton::OK}));
    form.SetTitle(QString::fromStdString(title));
    BelongTo(form);
    form.Run();
  });
}

}  // namespace vorkan
