#include "Application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace vorkan {

namespace {

// The windows that stand in the task bar: normal windows and dialogs, not
// popups, tool tips and the like.
bool IsTaskBarWindow(const QWidget* w) {
  if (!w->isWindow()) return false;
  const Qt::WindowType type = w->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

QWidgetList VisibleTaskBarWindows() {
  QWidgetList result;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return result;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (IsTaskBarWindow(w) && w->isVisible()) result.append(w);
  }
  return result;
}

}  // namespace

Application& Application::Instance() {
  static Application* instance = new Application();
  return *instance;
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  WatchShownWindows();
  ApplyTitle();
}

std::string Application::Title() const { return title_; }

void Application::ApplyTitle() {
  const QString text = QString::fromStdString(title_);
  // A window that has appeared since the last scan made the filter forget
  // the list; one that has gone or changed since is passed over here.
  if (!watching_ || !titledKnown_) {
    titled_.clear();
    for (QWidget* w : VisibleTaskBarWindows()) titled_.append(w);
    titledKnown_ = watching_;
  }
  for (const QPointer<QWidget>& w : titled_) {
    if (w && IsTaskBarWindow(w) && w->isVisible()) w->setWindowIconText(text);
  }
}

void Application::WatchShownWindows() {
  if (watching_) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (!qobject_cast<QApplication*>(app)) return;
  app->installEventFilter(this);
  watching_ = true;
  titledKnown_ = false;
  // The filter goes with the application object it watches.
  connect(app, &QObject::destroyed, this, [this] {
    watching_ = false;
    titledKnown_ = false;
  });
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    if (IsTaskBarWindow(w)) {
      w->setWindowIconText(QString::fromStdString(title_));
      titledKnown_ = false;
    }
  }
  return false;
}

void Application::Minimize() {
  for (QWidget* w : VisibleTaskBarWindows()) {
    if (!w->isMinimized()) w->showMinimized();
  }
}

void Application::Restore() {
  for (QWidget* w : VisibleTaskBarWindows()) {
    if (w->isMinimized()) {
      w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
      w->show();
    }
  }
}

bool Application::IsMinimized() const {
  const QWidgetList windows = VisibleTaskBarWindows();
  if (windows.isEmpty()) return false;
  for (QWidget* w : windows) {
    if (!w->isMinimized()) return false;
  }
  return true;
}

void Application::SetTerminating(bool terminating) {
  if (terminating_ == terminating) return;
  terminating_ = terminating;
  emit terminatingChanged(terminating);
}

bool Application::IsTerminating() const { return terminating_; }

void Application::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void Application::SetHintHidePause(int milliseconds) { hintHidePause_ = milliseconds; }

int Application::HintHidePause() const { return hintHidePause_; }

}  // namespace vorkan
