// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyStrokeFilter.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

namespace vorkan {

KeyStrokeFilter::KeyIsDown KeyStrokeFilter::ServerKeyMap() {
  return [](quint32 code) -> std::optional<bool> {
    // X key codes run from 8 to 255; events made up by a program carry 0.
    if (code < 8 || code > 255 || QGuiApplication::platformName() != QLatin1String("xcb"))
      return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) return std::nullopt;
    xcb_query_keymap_reply_t* reply =
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (reply == nullptr) return std::nullopt;
    const bool down = (reply->keys[code / 8] >> (code % 8)) & 1;
    std::free(reply);
    return down;
  };
}

KeyStrokeFilter::KeyStrokeFilter(KeyIsDown keyIsDown) : keyIsDown_(std::move(keyIsDown)) {}

bool KeyStrokeFilter::Watches(const QObject* receiver, const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F1:
    case Qt::Key_F5: return true;
    case Qt::Key_Space: return qobject_cast<const QAbstractButton*>(receiver) != nullptr;
    default: return false;
  }
}

bool KeyStrokeFilter::Pass(const QWidget& receiver, const QKeyEvent& event) {
  const int key = event.key();
  const auto held = held_.find(key);
  if (event.type() == QEvent::KeyPress) {
    // The press of an auto-repeat pair: the key is still held.
    if (event.isAutoRepeat() || (held != held_.end() && held->repeating)) {
      if (held != held_.end()) held->repeating = false;
      return false;
    }
    // A first press; one of a key that counts as held (its release went to
    // another program) starts afresh.
    held_.insert(key, Held{false, receiver.window()});
    return true;
  }
  if (event.type() != QEvent::KeyRelease) return true;
  const std::optional<bool> down = keyIsDown_ ? keyIsDown_(event.nativeScanCode()) : std::nullopt;
  if (event.isAutoRepeat() || down.value_or(false)) {
    if (held != held_.end()) held->repeating = true;
    return false;
  }
  if (held == held_.end()) return false;  // its press went elsewhere
  const QPointer<QWidget> window = held->window;
  held_.erase(held);
  return window != nullptr && window == receiver.window();
}

}  // namespace vorkan
