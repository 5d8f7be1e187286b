// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QWidget>
#include <poll.h>
#include <cstdint>

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

Application::Application() {
  titleTimer_.setSingleShot(true);
  connect(&titleTimer_, &QTimer::timeout, this, [this] { ApplyTitle(); });
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  WatchShownWindows();
  // A change held back already goes out with the latest text.
  if (titleTimer_.isActive()) return;
  const std::chrono::nanoseconds interval = TitleInterval();
  const std::chrono::nanoseconds since(sinceTitleApplied_.isValid() ? sinceTitleApplied_.nsecsElapsed() : 0);
  // Without an application there is no window to hold a change back for.
  if (!watching_ || !sinceTitleApplied_.isValid() || since >= interval) {
    ApplyTitle();
    return;
  }
  titleTimer_.start(std::chrono::ceil<std::chrono::milliseconds>(interval - since));
}

std::string Application::Title() const { return title_; }

void Application::FlushTitle() { ApplyTitle(); }

void Application::SetTitleInterval(std::chrono::milliseconds interval) { titleInterval_ = interval; }

std::chrono::nanoseconds Application::TitleInterval() const {
  if (titleInterval_.count() > 0) return titleInterval_;
  double rate = 0;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = QGuiApplication::primaryScreen()) rate = screen->refreshRate();
  // A screen that tells no rate, or a nonsensical one.
  if (!(rate >= 1 && rate <= 1000)) rate = 60;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(1e9 / rate));
}

void Application::ApplyTitle() {
  titleTimer_.stop();
  sinceTitleApplied_.start();
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
    titleTimer_.stop();
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

bool Application::DispatchUntilReadable(int fd) {
  pollfd ready{fd, POLLIN, 0};
  if (::poll(&ready, 1, 0) > 0) return true;  // a quick device: no waiting at all
  if (terminating_) return false;
  QSocketNotifier notifier(fd, QSocketNotifier::Read);
  bool ended = false;
  // Once only: the descriptor stays readable until the read is finished,
  // and a prompt standing over the wait (the abort question) would
  // otherwise spin on it.
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
    notifier.setEnabled(false);
    ended = true;
  });
  // Not an event loop of its own: once the program is quitting (closed
  // during the read) no new loop would run, and the progress window would
  // stand unpainted until the read is in.
  // The close that sets it comes as an event too, so the loop looks again
  // right after it.
  while (!ended && !terminating_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return ended;
}

void Application::SetHintHidePause(int milliseconds) { hintHidePause_ = milliseconds; }

int Application::HintHidePause() const { return hintHidePause_; }

}  // namespace vorkan
