// SPDX-License-Identifier: GPL-3.0-or-later
// The key-stroke filter: a held key's auto-repeat pairs, marked by Qt or not,
// never pass; the first press and the real release do, the release only to
// the window that had the press.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>
#include <optional>
#include <vector>

#include "KeyStrokeFilter.h"

namespace {

constexpr quint32 kEscCode = 9;  // Esc's X key code

struct Step {
  QEvent::Type type;
  bool marked;               // Qt's auto-repeat mark
  std::optional<bool> down;  // the server's key map at a release; nothing: no server
  int window;                // 0 or 1
  bool passes;
};

constexpr auto P = QEvent::KeyPress;
constexpr auto R = QEvent::KeyRelease;
constexpr std::optional<bool> kDown = true, kUp = false, kNoServer = std::nullopt;

struct Case {
  const char* name;
  std::vector<Step> steps;
};

const Case kCases[] = {
    {"held on X, pairs read before Qt can mark them",
     {{P, false, kNoServer, 0, true},
      {R, false, kDown, 0, false},
      {P, false, kNoServer, 0, false},
      {R, false, kDown, 0, false},
      {P, false, kNoServer, 0, false},
      {R, false, kUp, 0, true}}},
    {"held, pairs marked by Qt",
     {{P, false, kNoServer, 0, true},
      {R, true, kDown, 0, false},
      {P, true, kNoServer, 0, false},
      {R, false, kUp, 0, true}}},
    {"held without a server to ask: the marks decide",
     {{P, false, kNoServer, 0, true},
      {R, true, kNoServer, 0, false},
      {P, true, kNoServer, 0, false},
      {R, false, kNoServer, 0, true}}},
    {"pressed in one window, let go over another",
     {{P, false, kNoServer, 0, true}, {R, false, kUp, 1, false}, {R, false, kUp, 0, false}}},
    {"held while one window closes and the next opens",
     {{P, false, kNoServer, 0, true},
      {R, false, kDown, 1, false},
      {P, false, kNoServer, 1, false},
      {R, false, kUp, 1, false}}},
    {"a release without its press", {{R, false, kUp, 0, false}}},
    {"a press after a release that went elsewhere starts afresh",
     {{P, false, kNoServer, 0, true}, {P, false, kNoServer, 1, true}, {R, false, kUp, 1, true}}},
    {"tapped twice",
     {{P, false, kNoServer, 0, true},
      {R, false, kUp, 0, true},
      {P, false, kNoServer, 0, true},
      {R, false, kUp, 0, true}}},
};

TEST(KeyStrokeFilter, PassesTheFirstPressAndTheRealReleaseOnly) {
  QWidget windows[2];
  for (const Case& c : kCases) {
    std::optional<bool> down;
    vorkan::KeyStrokeFilter filter([&down](quint32 code) {
      EXPECT_EQ(code, kEscCode);
      return down;
    });
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      down = s.down;
      const QKeyEvent event(s.type, Qt::Key_Escape, Qt::NoModifier, kEscCode, 0, 0, QString(), s.marked);
      EXPECT_EQ(filter.Pass(windows[s.window], event), s.passes) << c.name << ", step " << i + 1;
    }
  }
}

TEST(KeyStrokeFilter, WatchesTheKeysThatActAndSpaceOnButtons) {
  QWidget plain;
  QPushButton button;
  const struct {
    Qt::Key key;
    bool onPlain;
    bool onButton;
  } keys[] = {{Qt::Key_Escape, true, true}, {Qt::Key_Return, true, true}, {Qt::Key_Enter, true, true},
              {Qt::Key_F1, true, true},     {Qt::Key_F5, true, true},     {Qt::Key_Space, false, true},
              {Qt::Key_Down, false, false}, {Qt::Key_A, false, false},    {Qt::Key_F2, false, false}};
  for (const auto& k : keys) {
    const QKeyEvent event(QEvent::KeyPress, k.key, Qt::NoModifier);
    EXPECT_EQ(vorkan::KeyStrokeFilter::Watches(&plain, event), k.onPlain) << k.key;
    EXPECT_EQ(vorkan::KeyStrokeFilter::Watches(&button, event), k.onButton) << k.key;
  }
}

// The application runs every key event of a widget through the filter.
class KeyCounter : public QWidget {
 public:
  int presses = 0;
  int releases = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++presses; }
  void keyReleaseEvent(QKeyEvent*) override { ++releases; }
};

TEST(KeyStrokeFilter, StandsBeforeEveryWidgetOfTheApplication) {
  KeyCounter widget;
  auto send = [&widget](QEvent::Type type, Qt::Key key, bool marked) {
    QKeyEvent event(type, key, Qt::NoModifier, 0, 0, 0, QString(), marked);
    QApplication::sendEvent(&widget, &event);
  };
  send(QEvent::KeyPress, Qt::Key_Escape, false);
  send(QEvent::KeyRelease, Qt::Key_Escape, true);
  send(QEvent::KeyPress, Qt::Key_Escape, true);
  send(QEvent::KeyRelease, Qt::Key_Escape, false);
  EXPECT_EQ(widget.presses, 1);
  EXPECT_EQ(widget.releases, 1);
  // Other keys keep their auto-repeat.
  send(QEvent::KeyPress, Qt::Key_Down, false);
  send(QEvent::KeyRelease, Qt::Key_Down, true);
  send(QEvent::KeyPress, Qt::Key_Down, true);
  EXPECT_EQ(widget.presses, 3);
  EXPECT_EQ(widget.releases, 2);
}

}  // namespace
