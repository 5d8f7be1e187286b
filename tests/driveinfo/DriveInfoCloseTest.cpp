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
  std::function<void(TForm3&)> close;
  TForm3::Result result;
};

std::vector<Way> WaysOfClosing() {
  return {
      {"Esc pressed and released",
       [](TForm3& f) {
         PressKey(f, Qt::Key_Escape);
         ReleaseKey(f, Qt::Key_Escape);
       },
       TForm3::Result::Close},
      {"Enter on a field", [](TForm3& f) { QTest::keyClick(Edit(f, 1), Qt::Key_Return); },
       TForm3::Result::Close},
      {"Enter on the keypad", [](TForm3& f) { QTest::keyClick(Edit(f, 5), Qt::Key_Enter); },
       TForm3::Result::Close},
      {"\"ОК\" clicked", [](TForm3& f) { QTest::mouseClick(Button(f, 1), Qt::LeftButton); },
       TForm3::Result::Close},
      {"close box", [](TForm3& f) { f.close(); }, TForm3::Result::Close},
      {"\"Копировать\" clicked", [](TForm3& f) { QTest::mouseClick(Button(f, 3), Qt::LeftButton); },
       TForm3::Result::Copy},
      {"Enter while \"Копировать\" has the focus",
       [](TForm3& f) {
         Button(f, 3)->setFocus();
         QTest::keyClick(Button(f, 3), Qt::Key_Return);
       },
       TForm3::Result::Copy},
      {"Space on \"Копировать\"",
       [](TForm3& f) {
         Button(f, 3)->setFocus();
         QTest::keyClick(Button(f, 3), Qt::Key_Space);
       },
       TForm3::Result::Copy},
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
    TForm3 form(&main.window);
    form.SetFocusOnClose(main.list);
    ASSERT_EQ(main.window.focusWidget(), main.other);
    QWidget* focusWhileOpen = nullptr;
    const TForm3::Result result = OpenAndRun(form, NormalRow(), [&](TForm3& f) {
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
  TForm3 form;
  bool openAfterPress = false;
  bool openAfterOtherRelease = false;
  const TForm3::Result result = OpenAndRun(form, NormalRow(), [&](TForm3& f) {
    PressKey(f, Qt::Key_Escape);
    openAfterPress = f.isVisible();
    QTest::keyClick(f.focusWidget(), Qt::Key_A);
    QTest::keyClick(f.focusWidget(), Qt::Key_F1);
    openAfterOtherRelease = f.isVisible();
    ReleaseKey(f, Qt::Key_Escape);
  });
  EXPECT_TRUE(openAfterPress);
  EXPECT_TRUE(openAfterOtherRelease);
  EXPECT_EQ(result, TForm3::Result::Close);
}

TEST(DriveInfoClosing, EscReleasedOnAButtonClosesWithoutPressingIt) {
  TForm3 form;
  const TForm3::Result result = OpenAndRun(form, NormalRow(), [](TForm3& f) {
    Button(f, 3)->setFocus();
    PressKey(f, Qt::Key_Escape);
    ReleaseKey(f, Qt::Key_Escape);
  });
  EXPECT_EQ(result, TForm3::Result::Close);
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
  TForm3 form;
  std::vector<std::string> asked;
  form.SetFolderOfRootPath([&asked](const std::string& rootPath) {
    asked.push_back(rootPath);
    return rootPath == "E:\\" ? std::string("/media/data disk") : std::string();
  });
  bool openAfterClick = false;
  std::size_t callsWhileOpen = 0;
  const TForm3::Result result = OpenAndRun(form, NormalRow(), [&](TForm3& f) {
    QTest::mouseClick(Button(f, 2), Qt::LeftButton);
    openAfterClick = f.isVisible();
    callsWhileOpen = opener.calls.size();
    QTest::mouseClick(Button(f, 1), Qt::LeftButton);
  });
  EXPECT_TRUE(openAfterClick);
  EXPECT_EQ(result, TForm3::Result::Close);
  ASSERT_EQ(callsWhileOpen, 1u);
  EXPECT_EQ(opener.calls[0].program, "xdg-open");
  EXPECT_EQ(opener.calls[0].arguments, std::vector<std::string>{"/media/data disk"});
  EXPECT_EQ(asked, std::vector<std::string>{"E:\\"});
}

TEST(DriveInfoExplorer, OpensNothingWithoutAFolder) {
  RecordingOpener opener;
  TForm3 form;
  // No way to find a folder yet.
  OpenAndRun(form, NormalRow(), [](TForm3& f) { QTest::mouseClick(Button(f, 2), Qt::LeftButton); });
  // A root path without a mounted file system.
  int asked = 0;
  form.SetFolderOfRootPath([&asked](const std::string&) {
    ++asked;
    return std::string();
  });
  bool open = false;
  OpenAndRun(form, EmptyOpticalRow(), [&open](TForm3& f) {
    QTest::mouseClick(Button(f, 2), Qt::LeftButton);
    open = f.isVisible();
  });
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(open);
  EXPECT_TRUE(opener.calls.empty());
}

TEST(DriveInfoExplorer, EachOpeningUsesItsOwnRootPath) {
  RecordingOpener opener;
  TForm3 form;
  form.SetFolderOfRootPath([](const std::string& rootPath) { return "/mnt/" + rootPath.substr(0, 1); });
  auto clickExplorer = [](TForm3& f) { QTest::mouseClick(Button(f, 2), Qt::LeftButton); };
  OpenAndRun(form, NormalRow(), clickExplorer);
  OpenAndRun(form, EmptyOpticalRow(), clickExplorer);
  ASSERT_EQ(opener.calls.size(), 2u);
  EXPECT_EQ(opener.calls[0].arguments, std::vector<std::string>{"/mnt/E"});
  EXPECT_EQ(opener.calls[1].arguments, std::vector<std::string>{"/mnt/F"});
}

}  // namespace
}  // namespace vorkan::test
