// SPDX-License-Identifier: GPL-3.0-or-later
// The real save dialog, typed into: where the image lands for every kind of
// name, and what the dialog refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QToolButton>
#include <QTreeWidget>
#include <fcntl.h>
#include <sys/stat.h>

#include "MainWindowDriver.h"
#include "QtTranslations.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

constexpr std::int64_t kVolumeSize = 262144 + 1000;

// The files below `root`, as the bytes of their paths.
std::set<std::string> FilesBelow(const std::string& root) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert(entry.path().native());
  return files;
}

// HOME pointed at a folder of the test's own while it lives.
class HomeFolder {
 public:
  explicit HomeFolder(const std::string& path) {
    if (const char* home = std::getenv("HOME")) saved_ = home;
    setenv("HOME", path.c_str(), 1);
  }
  ~HomeFolder() { setenv("HOME", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

// A user of the test's own in /etc/passwd while it lives (root only).
class NssUser {
 public:
  NssUser(const std::string& name, const std::string& home) : name_(name) {
    ok_ =
        IsRoot() && Run("useradd -M -d " + Quote(home) + " -s /usr/sbin/nologin " + Quote(name)).status == 0;
  }
  ~NssUser() {
    if (ok_) Run("userdel " + Quote(name_));
  }
  bool Ok() const { return ok_; }

 private:
  std::string name_;
  bool ok_ = false;
};

class SaveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = PatternBytes(kVolumeSize, 3);
    WriteFile(volumes_ / "c.img", source_);
    FileVolume c;
    c.path = volumes_ / "c.img";
    ops_.AddVolume('C', c);
    for (const char* folder : {"start", "home/images", "other"})
      std::filesystem::create_directories(root_ / folder);
  }
  // The copy after the shortage prompt succeeded, said so from the main window
  // and left the image at `landsAt` as the only file below `root` (removed
  // again for the next case).
  void ExpectCopiedAlone(const Windows& windows, const std::string& root, const std::string& landsAt) {
    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(windows.prompts[1].text, "Диск C:\\ успешно скопирован в " + landsAt + ".");
    EXPECT_EQ(windows.prompts[0].owner, "MainWindow") << "the shortage prompt belongs to the main window";
    EXPECT_EQ(windows.prompts[1].owner, "MainWindow");
    EXPECT_EQ(FilesBelow(root), std::set<std::string>{landsAt});
    EXPECT_TRUE(ReadFile(landsAt) == source_);
    std::filesystem::remove(landsAt);
  }
  TempDir volumes_;
  TempDir root_;  // where the dialog starts, HOME and the other folders
  CountingVolumeOps ops_;
  std::string source_;
};

TEST_F(SaveDialog, TheImageLandsWhereTheNameWasTyped) {
  const std::string R = root_.Path();
  const std::string odd = "a b \"q' Диск №1.ima";
  struct Case {
    const char* what;
    std::string typed;
    std::string landsAt;  // empty: the dialog stays open
    std::string refusal;  // the dialog's message then, if any
  };
  const Case cases[] = {
      {"plain name", "plain.ima", R + "/start/plain.ima", ""},
      {"spaces, quotes, apostrophe, Cyrillic, №", odd, R + "/start/" + odd, ""},
      {"a path from the home folder", "~/images/" + odd, R + "/home/images/" + odd, ""},
      {"absolute path", R + "/other/\"abs\".ima", R + "/other/\"abs\".ima", ""},
      {"no extension takes the type's", "noext", R + "/start/noext.IMA", ""},
      {"missing folder, absolute", R + "/missing/x.ima", "",
       R + "/missing\nDirectory not found.\nPlease verify the correct directory name was given."},
      {"missing folder, relative", "sub \"1\"/x.ima", "",
       R + "/start/sub \"1\"\nDirectory not found.\nPlease verify the correct directory name was given."},
      {"a folder's name enters it", "../other", "", ""},
      // A user whose home does not exist: a missing folder, not a file in its parent.
      {"a home that does not exist", "~nobody-of-the-test/x.ima", "",
       R + "/no-such-home\nDirectory not found.\nPlease verify the correct directory name was given."},
  };
  HomeFolder home(R + "/home");
  NssUser user("nobody-of-the-test", R + "/no-such-home");
  Windows windows(ops_);
  MainWindow& f = windows.main();
  for (const Case& c : cases) {
    if (std::string(c.what) == "a home that does not exist" && !user.Ok()) continue;
    SCOPED_TRACE(c.what);
    windows.prompts.clear();
    Control<SaveImageDialog>(f, "saveDialog")->SetFolder(R + "/start");
    TypedDialog seen;
    TypeIntoSaveDialog(c.typed, QMessageBox::Yes, nullptr, &seen);
    // No room on an unlettered target: Ignore, then the success message.
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
    if (c.landsAt.empty()) {
      EXPECT_TRUE(seen.stayedOpen);
      EXPECT_EQ(seen.boxes,
                c.refusal.empty() ? QStringList() : QStringList{QString::fromStdString(c.refusal)});
      EXPECT_EQ(Control<SaveImageDialog>(f, "saveDialog")->Folder(),
                R + (c.refusal.empty() ? "/other" : "/start"));
      EXPECT_TRUE(windows.prompts.empty());
      EXPECT_TRUE(FilesBelow(R).empty());
      continue;
    }
    EXPECT_TRUE(seen.boxes.empty());
    ExpectCopiedAlone(windows, R, c.landsAt);
  }
}

// A symbolic link chosen as the target is replaced by the image, and the
// question says what it points at, which stays as it was.
TEST_F(SaveDialog, ALinkIsReplacedAndTheQuestionNamesWhatItPointsAt) {
  const std::string R = root_.Path();
  WriteFile(R + "/other/victim.txt", "not an image");
  std::filesystem::create_symlink(R + "/other/victim.txt", R + "/start/link.ima");
  Windows windows(ops_);
  MainWindow& f = windows.main();
  Control<SaveImageDialog>(f, "saveDialog")->SetFolder(R + "/start");
  TypedDialog seen;
  TypeIntoSaveDialog("link.ima", QMessageBox::Yes, nullptr, &seen);
  windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  EXPECT_EQ(seen.boxes,
            QStringList{QString::fromStdString("link.ima — ссылка на " + R +
                                               "/other/victim.txt.\nЗаменить ссылку образом? Файл " + R +
                                               "/other/victim.txt останется как есть.")});
  EXPECT_FALSE(std::filesystem::is_symlink(R + "/start/link.ima"));
  EXPECT_TRUE(ReadFile(R + "/start/link.ima") == source_);
  EXPECT_EQ(ReadFile(R + "/other/victim.txt"), "not an image");
}

// The list's row that shows `text` in its name column; null when none does.
QTreeWidgetItem* RowShowing(SaveImageDialog& dialog, const QString& text) {
  auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("fileList"));
  if (!list) return nullptr;
  const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly, 0);
  return found.size() == 1 ? found[0] : nullptr;
}

TEST_F(SaveDialog, FoldersNamedInBytesThatAreNotUtf8AreListedAndUsable) {
  const std::string R = root_.Path();
  const std::string ff = "\xFF";
  const std::string cp1251 = "\xCE\xE1\xF0\xE0\xE7\xFB";  // "Образы" in code page 1251
  const QString ffShown = QStringLiteral("\uFFFD");
  const QString cp1251Shown = ffShown.repeated(6);
  struct Case {
    const char* what;
    std::string folder;  // entered by a double-click on its row in the start folder
    QString shown;       // the row's name
    std::string typed;   // empty: the file `selected` is clicked in the list
    std::string selected;
    std::string landsAt;
  };
  const Case cases[] = {
      {"0xFF, a name typed", ff, ffShown, "x.ima", "", R + "/start/" + ff + "/x.ima"},
      {"code page 1251, a name without extension typed", cp1251, cp1251Shown, "noext", "",
       R + "/start/" + cp1251 + "/noext.IMA"},
      {"0xFF, a file named in 0xFF bytes chosen in the list", ff, ffShown, "", "old\xFF.ima",
       R + "/start/" + ff + "/old\xFF.ima"},
  };
  for (const std::string& folder : {ff, cp1251}) std::filesystem::create_directories(R + "/start/" + folder);
  Windows windows(ops_);
  MainWindow& f = windows.main();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.selected.empty()) WriteFile(R + "/start/" + c.folder + "/" + c.selected, "old");
    windows.prompts.clear();
    Control<SaveImageDialog>(f, "saveDialog")->SetFolder(R + "/start");
    QString lookIn;
    const auto steer = [&](SaveImageDialog& dialog) {
      QTreeWidgetItem* row = RowShowing(dialog, c.shown);
      ASSERT_NE(row, nullptr);
      QTreeWidget* list = row->treeWidget();
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                         list->visualItemRect(row).center());
      lookIn = dialog.findChild<QLineEdit*>(QStringLiteral("lookInEdit"))->text();
      if (c.selected.empty()) return;
      QTreeWidgetItem* file = RowShowing(dialog, QStringLiteral("old\uFFFD.ima"));
      ASSERT_NE(file, nullptr);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                        list->visualItemRect(file).center());
      EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                QStringLiteral("old\uFFFD.ima"));
    };
    TypedDialog seen;
    TypeIntoSaveDialog(c.typed, QMessageBox::Yes, nullptr, &seen, steer);
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
    EXPECT_EQ(lookIn, QString::fromStdString(R + "/start/") + c.shown);
    // The replace question names the chosen file as it is shown.
    EXPECT_EQ(seen.boxes, c.selected.empty()
                              ? QStringList()
                              : QStringList{"old\uFFFD.ima already exists.\nDo you want to replace it?"});
    ExpectCopiedAlone(windows, R, c.landsAt);
  }
}

TEST_F(SaveDialog, OpensWideEnoughForItsColumns) {
  WriteFile(root_ / "start/x.ima", PatternBytes(123456, 1));
  std::filesystem::create_directories(root_ / "start/folder");
  Windows windows(ops_);
  Control<SaveImageDialog>(windows.main(), "saveDialog")->SetFolder(root_ / "start");
  mainWindow->SetSaveDialogRunner([](SaveImageDialog& shown) {
    QTimer::singleShot(0, &shown, [&shown] {
      auto* view = shown.findChild<QTreeWidget*>(QStringLiteral("fileList"));
      ASSERT_NE(view, nullptr);
      ASSERT_EQ(view->topLevelItemCount(), 2);
      for (int column = 0; column < view->header()->count(); ++column)
        EXPECT_LE(static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column),
                  view->header()->sectionSize(column))
            << "column " << column;
      EXPECT_LE(view->header()->length(), view->viewport()->width());
      shown.reject();
    });
    return shown.exec();
  });
  QTest::mouseClick(Control<QPushButton>(windows.main(), "copyButton"), Qt::LeftButton);
}

// The dialog's control named `name`.
template <typename T>
T* Part(SaveImageDialog& dialog, const char* name) {
  return dialog.findChild<T*>(QString::fromLatin1(name));
}

// The names of the list's rows, top to bottom.
QStringList RowNames(SaveImageDialog& dialog) {
  auto* list = Part<QTreeWidget>(dialog, "fileList");
  QStringList names;
  for (int row = 0; row < list->topLevelItemCount(); ++row) names << list->topLevelItem(row)->text(0);
  return names;
}

// The real dialog, acted on by `steer` and then cancelled.
void SteerSaveDialog(MainWindow& form, std::function<void(SaveImageDialog&)> steer) {
  mainWindow->SetSaveDialogRunner([steer](SaveImageDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog, steer] {
      steer(dialog);
      dialog.reject();
    });
    return dialog.exec();
  });
  QTest::mouseClick(Control<QPushButton>(form, "copyButton"), Qt::LeftButton);
}

// Runs what the event loop has queued, answering every message box of
// `dialog` with OK and recording its text in `boxes`.
void Settle(SaveImageDialog& dialog, QStringList& boxes) {
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, &dialog, [&dialog, &boxes] {
    for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
      if (!box->isVisible()) continue;
      boxes << box->text();
      box->done(QMessageBox::Ok);
    }
  });
  watcher.start();
  for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

TEST_F(SaveDialog, ANewFolderIsNamedInPlaceEnteredAndTakesTheImage) {
  const std::string R = root_.Path();
  const QString refusal = QStringLiteral(
      "<b>The name \"%1\" cannot be used.</b><p>Try using another name, with fewer characters or no "
      "punctuation marks.");
  struct Case {
    const char* what;
    std::vector<std::string> before;  // folders already in the start folder
    std::vector<QString> typed;       // names typed in place in turn; empty: Return alone
    QString made;                     // the name the editor opens with
    std::string named;                // the folder's name in the end
    QStringList boxes;
  };
  const Case cases[] = {
      {"a name typed", {}, {"images 2024"}, "New Folder", "images 2024", {}},
      {"New Folder taken: numbered", {"New Folder"}, {"mine"}, "New Folder 2", "mine", {}},
      {"the name kept", {}, {""}, "New Folder", "New Folder", {}},
      {"a taken name refused, then another",
       {"old"},
       {"old", "fresh"},
       "New Folder",
       "fresh",
       {refusal.arg("old")}},
  };
  Windows windows(ops_);
  MainWindow& f = windows.main();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(R + "/start");
    for (const std::string& folder : c.before) std::filesystem::create_directories(R + "/start/" + folder);
    std::filesystem::create_directories(R + "/start");
    windows.prompts.clear();
    Control<SaveImageDialog>(f, "saveDialog")->SetFolder(R + "/start");
    QStringList boxes, editorTexts;
    QString lookIn;
    const auto steer = [&](SaveImageDialog& dialog) {
      QTest::mouseClick(Part<QToolButton>(dialog, "newFolderButton"), Qt::LeftButton);
      for (const QString& typed : c.typed) {
        auto* editor = Part<QTreeWidget>(dialog, "fileList")->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(editor->isVisible());
        editorTexts << editor->text();
        if (!typed.isEmpty()) {
          QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
          QTest::keyClicks(editor, typed);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        Settle(dialog, boxes);
      }
      auto* list = Part<QTreeWidget>(dialog, "fileList");
      ASSERT_NE(list->currentItem(), nullptr);
      EXPECT_TRUE(list->currentItem()->isSelected());
      QTest::keyClick(list, Qt::Key_Return);  // enters the folder just named
      lookIn = Part<QLineEdit>(dialog, "lookInEdit")->text();
    };
    TypedDialog seen;
    TypeIntoSaveDialog("x.ima", QMessageBox::Yes, nullptr, &seen, steer);
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
    EXPECT_EQ(editorTexts.value(0), c.made);
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(lookIn, QString::fromStdString(R + "/start/" + c.named));
    const std::string landsAt = R + "/start/" + c.named + "/x.ima";
    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(windows.prompts[1].text, "Диск C:\\ успешно скопирован в " + landsAt + ".");
    EXPECT_EQ(FilesBelow(R), std::set<std::string>{landsAt});
    std::set<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(R + "/start"))
      folders.insert(entry.path().filename());
    std::set<std::string> expected(c.before.begin(), c.before.end());
    expected.insert(c.named);
    EXPECT_EQ(folders, expected);
    std::filesystem::remove(landsAt);
  }
}

TEST_F(SaveDialog, APlaceChosenIsEntered) {
  const std::string R = root_.Path();
  std::filesystem::create_directories(R + "/home/Desktop");
  ops_.Volume('C').label = "DATA";
  ops_.Volume('C').folder = R + "/other";
  FileVolume e;  // not mounted: no place
  e.path = volumes_ / "c.img";
  ops_.AddVolume('E', e);
  HomeFolder home(R + "/home");
  unsetenv("XDG_CONFIG_HOME");
  struct Case {
    const char* what;
    bool click;  // else End and Return in the list
    QString place;
    std::string folder;
  };
  const Case cases[] = {
      {"home, clicked", true, "Home", R + "/home"},
      {"the desktop, clicked", true, "Desktop", R + "/home/Desktop"},
      {"a volume, by keys", false, "DATA (C:)", R + "/other"},
  };
  Windows windows(ops_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Control<SaveImageDialog>(windows.main(), "saveDialog")->SetFolder(R + "/start");
    QStringList places;
    std::string folder;
    QString lookIn;
    SteerSaveDialog(windows.main(), [&](SaveImageDialog& dialog) {
      auto* list = Part<QListWidget>(dialog, "placesList");
      for (int row = 0; row < list->count(); ++row) places << list->item(row)->text();
      const QList<QListWidgetItem*> found = list->findItems(c.place, Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1);
      if (c.click) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(found[0]).center());
      } else {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Return);
      }
      folder = dialog.Folder();
      lookIn = Part<QLineEdit>(dialog, "lookInEdit")->text();
    });
    EXPECT_EQ(places, (QStringList{"Home", "Desktop", "DATA (C:)"}));
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(lookIn, QString::fromStdString(c.folder));
  }
}

TEST_F(SaveDialog, AColumnHeaderSortsWithFoldersFirst) {
  const std::string R = root_.Path();
  struct File {
    const char* name;
    std::size_t size;
    std::int64_t modified;
  };
  for (const File& file : {File{"a.ima", 300, 2000}, File{"B.ima", 100, 3000}, File{"c.ima", 200, 1000},
                           File{"zdir", 0, 5000}, File{"adir", 0, 5000}}) {
    const std::string path = R + "/start/" + file.name;
    if (file.size)
      WriteFile(path, std::string(file.size, 'x'));
    else
      std::filesystem::create_directories(path);
    const timespec times[2] = {{file.modified, 0}, {file.modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  struct Case {
    int column;  // clicked, in turn
    Qt::SortOrder order;
    QStringList rows;
  };
  const Case cases[] = {
      {1, Qt::AscendingOrder, {"adir", "zdir", "B.ima", "c.ima", "a.ima"}},
      {1, Qt::DescendingOrder, {"zdir", "adir", "a.ima", "c.ima", "B.ima"}},
      {3, Qt::AscendingOrder, {"adir", "zdir", "c.ima", "a.ima", "B.ima"}},
      {3, Qt::DescendingOrder, {"zdir", "adir", "B.ima", "a.ima", "c.ima"}},
      {0, Qt::AscendingOrder, {"adir", "zdir", "a.ima", "B.ima", "c.ima"}},
      {0, Qt::DescendingOrder, {"zdir", "adir", "c.ima", "B.ima", "a.ima"}},
  };
  Windows windows(ops_);
  Control<SaveImageDialog>(windows.main(), "saveDialog")->SetFolder(R + "/start");
  SteerSaveDialog(windows.main(), [&](SaveImageDialog& dialog) {
    QHeaderView* header = Part<QTreeWidget>(dialog, "fileList")->header();
    EXPECT_TRUE(header->isSortIndicatorShown());
    for (const Case& c : cases) {
      SCOPED_TRACE(c.column);
      QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(header->sectionViewportPosition(c.column) + header->sectionSize(c.column) / 2,
                               header->height() / 2));
      EXPECT_EQ(header->sortIndicatorSection(), c.column);
      EXPECT_EQ(header->sortIndicatorOrder(), c.order);
      EXPECT_EQ(RowNames(dialog), c.rows);
    }
  });
}

TEST_F(SaveDialog, ATypedNameOrPathCompletes) {
  const std::string R = root_.Path();
  std::filesystem::create_directories(R + "/start/sub");
  std::filesystem::create_directories(R + "/start/\xFFsub");  // not UTF-8: never offered
  WriteFile(R + "/start/subtitle.txt", "not of the type");
  struct Case {
    const char* what;
    QString typed;        // before the completion
    QStringList offered;  // the completions shown
    QString rest;         // typed after the first completion is taken
    std::string landsAt;
  };
  const Case cases[] = {
      {"a folder of the folder shown", "su", {"sub/"}, "x.ima", R + "/start/sub/x.ima"},
      {"a path from home", "~/im", {"~/images/"}, "y.ima", R + "/home/images/y.ima"},
      {"an absolute path",
       QString::fromStdString(R + "/ot"),
       {QString::fromStdString(R + "/other/")},
       "z.ima",
       R + "/other/z.ima"},
  };
  HomeFolder home(R + "/home");
  Windows windows(ops_);
  MainWindow& f = windows.main();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    windows.prompts.clear();
    Control<SaveImageDialog>(f, "saveDialog")->SetFolder(R + "/start");
    QStringList offered;
    QString taken;
    const auto steer = [&](SaveImageDialog& dialog) {
      auto* edit = Part<QLineEdit>(dialog, "fileNameEdit");
      QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(edit, c.typed);
      QCompleter* completer = edit->completer();
      ASSERT_TRUE(completer->popup()->isVisible());
      for (int row = 0; row < completer->completionModel()->rowCount(); ++row)
        offered << completer->completionModel()->index(row, 0).data().toString();
      QTest::keyClick(completer->popup(), Qt::Key_Down);
      QTest::keyClick(completer->popup(), Qt::Key_Return);
      taken = edit->text();
      QTest::keyClicks(edit, c.rest);
    };
    TypeIntoSaveDialog("", QMessageBox::Yes, nullptr, nullptr, steer);
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
    QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
    EXPECT_EQ(offered, c.offered);
    EXPECT_EQ(taken, c.offered.value(0));
    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(FilesBelow(R + "/start/sub").size() + FilesBelow(R + "/home").size() +
                  FilesBelow(R + "/other").size(),
              1u);
    EXPECT_TRUE(Exists(c.landsAt));
    std::filesystem::remove(c.landsAt);
  }
}

TEST_F(SaveDialog, BackspaceInTheListAndAltUpGoToTheParent) {
  const std::string R = root_.Path();
  struct Case {
    const char* what;
    const char* control;
    Qt::KeyboardModifiers modifiers;
    Qt::Key key;
    std::string folder;
    QString name;     // the name box's text after the key
    QString current;  // the list's current row then, the folder left
  };
  const Case cases[] = {
      {"Backspace in the list", "fileList", Qt::NoModifier, Qt::Key_Backspace, R, "disk.ima", "start"},
      {"Alt+Up in the list", "fileList", Qt::AltModifier, Qt::Key_Up, R, "disk.ima", "start"},
      {"Alt+Up in the name box", "fileNameEdit", Qt::AltModifier, Qt::Key_Up, R, "disk.ima", "start"},
      {"Backspace in the name box edits the name", "fileNameEdit", Qt::NoModifier, Qt::Key_Backspace,
       R + "/start", "disk.im", ""},
  };
  Windows windows(ops_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* dialog = Control<SaveImageDialog>(windows.main(), "saveDialog");
    dialog->SetFolder(R + "/start/");
    QString name, current;
    std::string folder;
    SteerSaveDialog(windows.main(), [&](SaveImageDialog& shown) {
      auto* edit = Part<QLineEdit>(shown, "fileNameEdit");
      edit->setText(QStringLiteral("disk.ima"));
      QWidget* control = Part<QWidget>(shown, c.control);
      control->setFocus();
      QTest::keyClick(control, c.key, c.modifiers);
      folder = shown.Folder();
      name = edit->text();
      const QTreeWidgetItem* item = Part<QTreeWidget>(shown, "fileList")->currentItem();
      current = item ? item->text(0) : QString();
    });
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(current, c.current);
  }
}

// Run by the test below in a process of its own, whose environment holds the
// desktop's language: start-up's translations, then the real dialog's title,
// buttons and replace question, written to the file VORKAN_DIALOG_TEXTS names.
TEST_F(SaveDialog, TextsInTheLanguageOfThisProcess) {
  const char* out = std::getenv("VORKAN_DIALOG_TEXTS");
  if (!out) GTEST_SKIP() << "run by LanguageFollowsTheDesktop in a process of its own";
  InstallQtTranslations();
  WriteFile(root_ / "start/x.ima", "old");
  std::filesystem::create_directories(root_ / "start/sub");
  Windows windows(ops_);
  Control<SaveImageDialog>(windows.main(), "saveDialog")->SetFolder(root_ / "start");
  TypedDialog seen;
  QStringList words;  // the labels, the column titles, the types of a folder and a file
  TypeIntoSaveDialog("x.ima", QMessageBox::No, nullptr, &seen, [&words](SaveImageDialog& dialog) {
    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
      words << dialog.findChild<QLabel*>(QString::fromLatin1(label))->text();
    auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("fileList"));
    for (int column = 0; column < list->columnCount(); ++column) words << list->headerItem()->text(column);
    for (int row = 0; row < list->topLevelItemCount(); ++row) words << list->topLevelItem(row)->text(2);
  });
  QTest::mouseClick(Control<QPushButton>(windows.main(), "copyButton"), Qt::LeftButton);
  WriteFile(out, QStringList{seen.title, seen.buttons.join(u'|'), seen.boxes.join(u'|'), words.join(u'|')}
                     .join(u'\x1f')
                     .toStdString());
}

TEST_F(SaveDialog, LanguageFollowsTheDesktop) {
  const QString english = "Look in:|File &name:|Files of type:|Name|Size|Type|Date Modified|Folder|ima File";
  const QString russian = "Перейти к:|&Имя файла:|Типы файлов:|Имя|Размер|Тип|Дата изменения|Папка|Файл ima";
  struct Case {
    const char* lang;
    const char* language;  // LANGUAGE, empty: unset
    QStringList texts;     // title, buttons, replace question
  };
  const Case cases[] = {
      {"C", "", {"Save As", "&Save|Cancel", "x.ima already exists.\nDo you want to replace it?", english}},
      {"C.UTF-8",
       "",
       {"Save As", "&Save|Cancel", "x.ima already exists.\nDo you want to replace it?", english}},
      {"ru_RU.UTF-8",
       "",
       {"Сохранить как", "&Сохранить|Отмена", "x.ima уже существует.\nЗаменить его?", russian}},
      {"C.UTF-8",
       "ru",
       {"Сохранить как", "&Сохранить|Отмена", "x.ima уже существует.\nЗаменить его?", russian}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lang) + " " + c.language);
    const std::string out = root_ / "texts";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
      environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QString::fromLatin1(c.lang));
    if (*c.language) environment.insert(QStringLiteral("LANGUAGE"), QString::fromLatin1(c.language));
    environment.insert(QStringLiteral("VORKAN_DIALOG_TEXTS"), QString::fromStdString(out));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SaveDialog.TextsInTheLanguageOfThisProcess")});
    ASSERT_TRUE(child.waitForFinished(-1));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    ASSERT_TRUE(Exists(out));
    EXPECT_EQ(QString::fromStdString(ReadFile(out)).split(u'\x1f'), c.texts);
    std::filesystem::remove(out);
  }
}

}  // namespace
}  // namespace vorkan::test
