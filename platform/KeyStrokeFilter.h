// SPDX-License-Identifier: GPL-3.0-or-later
// Lets every key act once. While a key is held, the X server's auto-repeat
// sends release and press pairs; Qt marks them only when it finds the press
// already queued behind the release, so a release read a moment early looks
// real. This filter lets through a key's first press and its real release,
// and drops the pairs in between, whether marked or not: a release is real
// when the key is no longer down on the X server. A release also goes only to
// the window that had the key's press, so the Esc that closes a prompt on its
// press does not close the window under it when let go, and a key held while
// one window closes and the next opens does not act in the next one.
#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class QKeyEvent;
class QObject;

namespace vorkan {

class KeyStrokeFilter {
 public:
  // Whether the key with this native scan code is down right now; nothing
  // where that cannot be asked.
  using KeyIsDown = std::function<std::optional<bool>(quint32 nativeScanCode)>;

  // The X server's key map on the xcb platform; elsewhere nothing, and Qt's
  // auto-repeat mark is trusted.
  static KeyIsDown ServerKeyMap();

  explicit KeyStrokeFilter(KeyIsDown keyIsDown = ServerKeyMap());

  // The keys whose press or release acts in a window: Esc, Enter (both), F1,
  // F5, and Space on a button. Other keys keep their auto-repeat (arrows in
  // the list, letters in the save dialog).
  static bool Watches(const QObject* receiver, const QKeyEvent& event);

  // Whether the press or release `event` goes on to `receiver`.
  bool Pass(const QWidget& receiver, const QKeyEvent& event);

 private:
  struct Held {
    bool repeating = false;    // an auto-repeat release came; its press follows
    QPointer<QWidget> window;  // where the first press went
  };

  KeyIsDown keyIsDown_;
  QHash<int, Held> held_;  // by Qt key code
};

}  // namespace vorkan
