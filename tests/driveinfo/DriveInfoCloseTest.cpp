// SPDX-License-Identifier: GPL-3.0-or-later
// How the window ends: the keys and buttons that close it and their results,
// the explorer button that leaves it open, and the focus given back.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QVBoxLayout>

#include <functional>
#include <string>
#include <vector>

#include "DriveInfoDriver.h"
#include "Shell.h"

namespace vorkan::test {
namespace {

struct Way {
  const char* name;
  std::function<void(DriveDetailsWindow&)> close;
  DriveDetailsWindow::Result result;
};

std::vector<Way> WaysOfClosing() {
  return {
      {"Esc pressed and released",
       [](DriveDetailsWindow& f) {
         PressKey(f, Qt::Key_Escape);
         ReleaseKey(f, Qt::Key_Escape);
       },
       DriveDetailsWindow::Result::Close},
      {"Enter on a field", [](DriveDetailsWindow& f) { QTest::keyClick(Field(f, 1), Qt::Key_Return); },
       DriveDetailsWindow::Result::Close},
      {"Enter on the keypad", [](DriveDetailsWindow& f) { QTest::keyClick(Field(f, 5), Qt::Key_Enter); },
       DriveDetailsWindow::Result::Close},
      {"\"ОК\" clicked", [](DriveDetailsWindow& f) { QTest::mouseClick(OkButton(f), Qt::LeftButton); },
       DriveDetailsWindow::Result::Close},
      {"close box", [](DriveDetailsWindow& f) { f.close(); }, DriveDetailsWindow::Result::Close},
      {"\"Копировать\" clicked",
       [](DriveDetailsWindow& f) { QTest::mouseClick(CopyButton(f), Qt::LeftButton); },
       DriveDetailsWindow::Result::Copy},
      {"Enter while \"Копировать\" has the focus",
       [](DriveDetailsWindow& f) {
         CopyButton(f)->setFocus();
         QTest::keyClick(CopyButton(f), Qt::Key_Return);
       },
       DriveDetailsWindow::Result::Copy},
      {"Space on \"Копировать\"",
       [](DriveDetailsWindow& f) {
         CopyButton(f)->setFocus();
         QTest::keyClick(CopyButton(f), Qt::Key_Space);
       },
       DriveDetailsWindow::Result::Copy},
  };
}

// A stand-in for the main window with its drive list and another control
// that holds the focus before the drive window opens.
class MainWindowStandIn {
 public:
  MainWindowStandIn() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(list);
    window.show();
    other->setFocus();
  }
  QWidget window;
  QLineEdit* other = new QLineEdit;
  QListWidget* list = new QListWidget;
};

TEST(DriveInfoClosing, EveryWayGivesItsResultAndTheFocusToTheList) {
  for (const Way& way : WaysOfClosing()) {
    SCOPED_TRACE(way.name);
    MainWindowStandIn main;
    DriveDetailsWindow form(&main.window);
    form.SetFocusOnClose(main.list);
    ASSERT_EQ(main.window.focusWidget(), main.other);
    QWidget* focusWhileOpen = nullptr;
    const DriveDetailsWindow::Result result = OpenAndRun(form, NormalRow(), [&](DriveDetailsWindow& f) {
      focusWhileOpen = main.window.focusWidget();
      way.close(f);
    });
    EXPECT_EQ(result, way.result);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(focusWhileOpen, main.other);  // moved only by the closing
    EXPECT_EQ(main.window.focusWidget(), main.list);
  }
}

TEST(DriveInfoClosing, EscCountsOnlyWhenReleased) {
  DriveDetailsWindow form;
  bool openAfterPress = false;
  bool openAfterOtherRelease = false;
  const DriveDetailsWindow::Result result = OpenAndRun(form, NormalRow(), [&](DriveDetailsWindow& f) {
    PressKey(f, Qt::Key_Escape);
    openAfterPress = f.isVisible();
    QTest::keyClick(f.focusWidget(), Qt::Key_A);
    QTest::keyClick(f.focusWidget(), Qt::Key_F1);
    openAfterOtherRelease = f.isVisible();
    ReleaseKey(f, Qt::Key_Escape);
  });
  EXPECT_TRUE(openAfterPress);
  EXPECT_TRUE(openAfterOtherRelease);
  EXPECT_EQ(result, DriveDetailsWindow::Result::Close);
}

TEST(DriveInfoClosing, EscReleasedOnAButtonClosesWithoutPressingIt) {
  DriveDetailsWindow form;
  const DriveDetailsWindow::Result result = OpenAndRun(form, NormalRow(), [](DriveDetailsWindow& f) {
    CopyButton(f)->setFocus();
    PressKey(f, Qt::Key_Escape);
    ReleaseKey(f, Qt::Key_Escape);
  });
  EXPECT_EQ(result, DriveDetailsWindow::Result::Close);
}

// Records what the window hands to the desktop instead of starting it.
class RecordingOpener {
 public:
  RecordingOpener() {
    previous_ = SetOpener([this](const std::string& program, const std::vector<std::string>& arguments) {
      calls.push_back({program, arguments});
    });
  }
  ~RecordingOpener() { SetOpener(previous_); }
  struct Call {
    std::string program;
    std::vector<std::string> arguments;
  };
  std::vector<Call> calls;

 private:
  Opener previous_;
};

TEST(DriveInfoExplorer, OpensTheMountPointOfTheRootPathAndStaysOpen) {
  RecordingOpener opener;
  DriveDetailsWindow form;
  std::vector<std::string> asked;
  form.SetFolderOfRootPath([&asked](const std::string& rootPath) {
    asked.push_back(rootPath);
    return rootPath == "E:\\" ? std::string("/media/data disk") : std::string();
  });
  bool openAfterClick = false;
  std::size_t callsWhileOpen = 0;
  const DriveDetailsWindow::Result result = OpenAndRun(form, NormalRow(), [&](DriveDetailsWindow& f) {
    QTest::mouseClick(OpenFolderButton(f), Qt::LeftButton);
    openAfterClick = f.isVisible();
    callsWhileOpen = opener.calls.size();
    QTest::mouseClick(OkButton(f), Qt::LeftButton);
  });
  EXPECT_TRUE(openAfterClick);
  EXPECT_EQ(result, DriveDetailsWindow::Result::Close);
  ASSERT_EQ(callsWhileOpen, 1u);
  EXPECT_EQ(opener.calls[0].program, "xdg-open");
  EXPECT_EQ(opener.calls[0].arguments, std::vector<std::string>{"/media/data disk"});
  EXPECT_EQ(asked, std::vector<std::string>{"E:\\"});
}

TEST(DriveInfoExplorer, OpensNothingWithoutAFolder) {
  RecordingOpener opener;
  DriveDetailsWindow form;
  // No way to find a folder yet.
  OpenAndRun(form, NormalRow(),
             [](DriveDetailsWindow& f) { QTest::mouseClick(OpenFolderButton(f), Qt::LeftButton); });
  // A root path without a mounted file system.
  int asked = 0;
  form.SetFolderOfRootPath([&asked](const std::string&) {
    ++asked;
    return std::string();
  });
  bool open = false;
  OpenAndRun(form, EmptyOpticalRow(), [&open](DriveDetailsWindow& f) {
    QTest::mouseClick(OpenFolderButton(f), Qt::LeftButton);
    open = f.isVisible();
  });
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(open);
  EXPECT_TRUE(opener.calls.empty());
}

TEST(DriveInfoExplorer, EachOpeningUsesItsOwnRootPath) {
  RecordingOpener opener;
  DriveDetailsWindow form;
  form.SetFolderOfRootPath([](const std::string& rootPath) { return "/mnt/" + rootPath.substr(0, 1); });
  auto clickExplorer = [](DriveDetailsWindow& f) { QTest::mouseClick(OpenFolderButton(f), Qt::LeftButton); };
  OpenAndRun(form, NormalRow(), clickExplorer);
  OpenAndRun(form, EmptyOpticalRow(), clickExplorer);
  ASSERT_EQ(opener.calls.size(), 2u);
  EXPECT_EQ(opener.calls[0].arguments, std::vector<std::string>{"/mnt/E"});
  EXPECT_EQ(opener.calls[1].arguments, std::vector<std::string>{"/mnt/F"});
}

}  // namespace
}  // namespace vorkan::test
