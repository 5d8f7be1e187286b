#include "ShowPrompt.h"

#include "Application.h"
#include "TMessageForm.h"
#include "VorkanApplication.h"

namespace vorkan {

PromptResult ShowPrompt(const std::string& text, PromptKind kind, PromptButtons buttons) {
  if (Application::Instance().IsTerminating()) return mrCancel;
  TMessageForm form(text, kind, buttons);
  return form.Run();
}

void InstallFaultBox() {
  VorkanApplication::SetFaultPresenter([](const std::string& title, const std::string& text) {
    TMessageForm form(text, PromptKind::Error, ButtonSet({PromptButton::OK}));
    form.SetTitle(QString::fromStdString(title));
    form.Run();
  });
}

}  // namespace vorkan
