// SPDX-License-Identifier: GPL-3.0-or-later
// The application as a whole: its title (the text of its task-bar entries),
// minimising and restoring all of its windows at once, the terminating flag
// and pumping pending events.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <string>

class QWidget;

namespace vorkan {

class Application : public QObject {
  Q_OBJECT

 public:
  // The one application object of the process.
  static Application& Instance();

  // The title is shown as the icon text of every top-level window: the text a
  // task bar shows for the window's entry. Windows shown later take it too.
  // Title() is always the latest text; the windows get it at most once per
  // title interval (a copy sets it after every block, and each change is a
  // round trip to the display server), the last text always within one
  // interval, and at once on FlushTitle.
  void SetTitle(const std::string& title);
  std::string Title() const;
  // Puts the latest title on the windows now.
  void FlushTitle();
  // The shortest time between two changes of the windows' title: the refresh
  // interval of the primary screen (60 Hz where it tells none), or the
  // interval set here (zero: back to the screen's).
  void SetTitleInterval(std::chrono::milliseconds interval);
  std::chrono::nanoseconds TitleInterval() const;

  // Shows every visible top-level window minimised.
  void Minimize();
  // Brings back every visible top-level window that is minimised.
  void Restore();
  // True when at least one top-level window is visible and every visible one
  // is minimised.
  bool IsMinimized() const;

  // Set once the main window has closed. While it is set, every message
  // prompt answers Cancel at once.
  void SetTerminating(bool terminating);
  bool IsTerminating() const;

  // Dispatches every pending event and returns without waiting for more.
  void ProcessPendingEvents();
  // Runs the windows' events until `fd` is readable, so that they paint and
  // answer while something else takes its time; true then. False when the
  // program is closing (or closed) first: whatever `fd` stands for is no
  // longer waited for.
  bool DispatchUntilReadable(int fd);

  // How long a shown hint stays, in milliseconds; -1: until the pointer
  // leaves the control. No control carries a hint, so it is only kept.
  void SetHintHidePause(int milliseconds);
  int HintHidePause() const;

 signals:
  void terminatingChanged(bool terminating);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Application();
  void ApplyTitle();
  void WatchShownWindows();

  std::string title_;
  QElapsedTimer sinceTitleApplied_;
  // Puts a text held back by the interval on the windows when it is over.
  QTimer titleTimer_;
  std::chrono::milliseconds titleInterval_{0};
  bool terminating_ = false;
  bool watching_ = false;
  // The windows the title went to, kept while the filter sees every window
  // that appears (the copy sets the title at every block, and a scan of all
  // the application's widgets each time costs more than the title itself).
  QList<QPointer<QWidget>> titled_;
  bool titledKnown_ = false;
  int hintHidePause_ = 2500;
};

}  // namespace vorkan
