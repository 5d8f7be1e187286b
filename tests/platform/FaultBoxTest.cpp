// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "VorkanApplication.h"

namespace vorkan {
namespace {

TEST(FaultMessageTest, PointIsAddedAfterCharactersSortingAfterPoint) {
  EXPECT_EQ(FaultMessage("Access violation"), "Access violation.");
  EXPECT_EQ(FaultMessage("Invalid value 0"), "Invalid value 0.");  // '0' sorts after '.'
  EXPECT_EQ(FaultMessage("Really?"), "Really?.");                  // '?' sorts after '.'
  EXPECT_EQ(FaultMessage("Ошибка"), "Ошибка.");                    // bytes from 0x80 up sort after '.'
  EXPECT_EQ(FaultMessage("path/"), "path/.");                      // '/' is the first after '.'
}

TEST(FaultMessageTest, NoPointAfterPointOrCharactersSortingBefore) {
  EXPECT_EQ(FaultMessage("Done."), "Done.");
  EXPECT_EQ(FaultMessage("Stop!"), "Stop!");
  EXPECT_EQ(FaultMessage("(C:)"), "(C:)");
  EXPECT_EQ(FaultMessage("a-"), "a-");
  EXPECT_EQ(FaultMessage("x,"), "x,");
  EXPECT_EQ(FaultMessage("line\n"), "line\n");
  EXPECT_EQ(FaultMessage(""), "");
}

// Throws from its event handler.
class Thrower : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Диск недоступен");
    if (e->type() == QEvent::User + 1) throw std::logic_error("Done.");
    return QObject::event(e);
  }
};

struct Shown {
  std::string title;
  std::string text;
};

class FaultBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous =
        VorkanApplication::SetFaultPresenter([this](const std::string& title, const std::string& text) {
          shown.push_back({title, text});
        });
    Application::Instance().SetTitle("Vorkan v1.2");
  }
  void TearDown() override {
    VorkanApplication::SetFaultPresenter(previous);
    Application::Instance().SetTitle("");
  }
  VorkanApplication::FaultPresenter previous;
  std::vector<Shown> shown;
};

TEST_F(FaultBoxTest, FaultEscapingAHandlerIsShownWithApplicationTitle) {
  Thrower thrower;
  QEvent event(QEvent::User);
  EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &event));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "Vorkan v1.2");
  EXPECT_EQ(shown[0].text, "Диск недоступен.");

  QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
  EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &second));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "Done.");
}

TEST_F(FaultBoxTest, PostedEventFaultIsShownAndTheLoopGoesOn) {
  Thrower thrower;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  int after = 0;
  QMetaObject::invokeMethod(
      &thrower, [&] { ++after; }, Qt::QueuedConnection);
  QCoreApplication::processEvents();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Диск недоступен.");
  EXPECT_EQ(after, 1) << "events after the fault are still dispatched";
}

TEST_F(FaultBoxTest, HandlersThatDoNotThrowShowNothing) {
  QObject plain;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&plain, &event);
  EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace vorkan
