// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "Clipboard.h"
#include "Locale.h"
#include "Shell.h"

namespace vorkan {
namespace {

struct Call {
  std::string program;
  std::vector<std::string> arguments;
};

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = SetOpener([this](const std::string& program, const std::vector<std::string>& arguments) {
      calls.push_back({program, arguments});
    });
  }
  void TearDown() override { SetOpener(previous); }
  Opener previous;
  std::vector<Call> calls;
};

TEST_F(ShellTest, TargetIsTheOneArgumentOfXdgOpen) {
  const std::string link =
      "mailto:someone@example.org?subject=\"Vorkan v.1.2 29.09.07 RUS/KX7 - Bug report\"";
  OpenWithDesktop(link);
  OpenWithDesktop("/media/usb stick; rm -rf ~");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].program, "xdg-open");
  ASSERT_EQ(calls[0].arguments.size(), 1u);
  EXPECT_EQ(calls[0].arguments[0], link) << "spaces and quotes go in unchanged";
  ASSERT_EQ(calls[1].arguments.size(), 1u);
  EXPECT_EQ(calls[1].arguments[0], "/media/usb stick; rm -rf ~");
}

TEST_F(ShellTest, SetOpenerHandsBackThePreviousOne) {
  int other = 0;
  Opener mine = SetOpener([&](const std::string&, const std::vector<std::string>&) { ++other; });
  OpenWithDesktop("/");
  EXPECT_EQ(other, 1);
  EXPECT_TRUE(calls.empty());
  SetOpener(mine);
  OpenWithDesktop("/");
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(other, 1);
}

TEST(ClipboardTest, PlainTextIsReplacedAndReadBack) {
  SetClipboardText("first");
  EXPECT_EQ(ClipboardText(), "first");
  SetClipboardText("someone@example.org\r\nВторая строка");
  EXPECT_EQ(ClipboardText(), "someone@example.org\r\nВторая строка");
}

TEST(LocaleTest, StartUpTakesTheEnvironmentsLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  const char* previousLcAll = std::getenv("LC_ALL");
  const std::string savedLcAll = previousLcAll ? previousLcAll : "";
  std::setlocale(LC_ALL, "C");
  setenv("LC_ALL", "C.UTF-8", 1);
  InitLocale();
  const std::string ctype = std::setlocale(LC_CTYPE, nullptr);
  const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
  if (previousLcAll)
    setenv("LC_ALL", savedLcAll.c_str(), 1);
  else
    unsetenv("LC_ALL");
  std::setlocale(LC_ALL, before.c_str());
  EXPECT_EQ(ctype, "C.UTF-8");
  EXPECT_EQ(numeric, "C.UTF-8");
}

}  // namespace
}  // namespace vorkan
