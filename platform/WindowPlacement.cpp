// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vorkan {

namespace {

// The frame last seen around one of the program's windows.
QMargins& KnownFrame() {
  static QMargins frame;
  return frame;
}

// The window's own frame once the window manager has put one around it.
QMargins OwnFrame(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  return handle != nullptr ? handle->frameMargins() : QMargins();
}

void Place(QWidget& window, const QMargins& frame) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QPoint corner = CentredTopLeft(window.size().grownBy(frame), screen->geometry());
  // The client area's place: it does not depend on whether Qt knows the
  // frame yet, as the frame's place would.
  window.setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), window.size()));
}

// Waits, while the window is shown, for its frame; centres it again when the
// frame differs from the one it was placed with.
class FrameWatch : public QObject {
 public:
  static constexpr const char* kName = "vorkan-frame-watch";

  FrameWatch(QWidget& window, const QMargins& assumed)
      : QObject(&window), window_(&window), assumed_(assumed) {
    setObjectName(QLatin1String(kName));
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    if (event->type() == QEvent::Hide) {
      deleteLater();
      return false;
    }
    const QMargins frame = OwnFrame(*window_);
    if (!frame.isNull()) {
      KnownFrame() = frame;
      // Deleted first: the new place sends events of its own.
      window_->removeEventFilter(this);
      deleteLater();
      if (frame != assumed_) Place(*window_, frame);
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
  QMargins assumed_;
};

}  // namespace

QPoint CentredTopLeft(const QSize& frame, const QRect& screen) {
  return {screen.x() + screen.width() / 2 - frame.width() / 2,
          screen.y() + screen.height() / 2 - frame.height() / 2};
}

void CentreOnScreen(QWidget& window) {
  QMargins frame = OwnFrame(window);
  if (!frame.isNull()) {
    KnownFrame() = frame;
  } else {
    frame = KnownFrame();
    delete window.findChild<QObject*>(QLatin1String(FrameWatch::kName), Qt::FindDirectChildrenOnly);
    new FrameWatch(window, frame);
  }
  Place(window, frame);
}

}  // namespace vorkan
