// The real save dialog, typed into: where the image lands for every kind of
// name, and what the dialog refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include <QHeaderView>
#include <QProcess>
#include <QTreeView>

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
    std::string landsAt;  // empty: refused in the dialog
    std::string refusal;  // the dialog's message then
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
  };
  HomeFolder home(R + "/home");
  Windows windows(ops_);
  TForm1& f = windows.main();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    windows.prompts.clear();
    f.SaveDialog1->setDirectory(QString::fromStdString(R + "/start"));
    TypedDialog seen;
    TypeIntoSaveDialog(c.typed, QMessageBox::Yes, nullptr, &seen);
    // No room on an unlettered target: Ignore, then the success message.
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    if (c.landsAt.empty()) {
      EXPECT_TRUE(seen.stayedOpen);
      EXPECT_EQ(seen.boxes, QStringList{QString::fromStdString(c.refusal)});
      EXPECT_TRUE(windows.prompts.empty());
      EXPECT_TRUE(FilesBelow(R).empty());
      continue;
    }
    EXPECT_TRUE(seen.boxes.empty());
    ASSERT_EQ(windows.prompts.size(), 2u);
    EXPECT_EQ(windows.prompts[1].text, "Диск C:\\ успешно скопирован в " + c.landsAt + ".");
    EXPECT_EQ(FilesBelow(R), std::set<std::string>{c.landsAt});
    EXPECT_TRUE(ReadFile(c.landsAt) == source_);
    std::filesystem::remove(c.landsAt);
  }
}

TEST_F(SaveDialog, OpensWideEnoughForItsColumns) {
  WriteFile(root_ / "start/x.ima", PatternBytes(123456, 1));
  Windows windows(ops_);
  TSaveDialog& dialog = *windows.main().SaveDialog1;
  dialog.setDirectory(QString::fromStdString(root_ / "start"));
  TForm1::saveDialogRunner = [](QFileDialog& shown) {
    QTimer::singleShot(0, &shown, [&shown] {
      auto* view = shown.findChild<QTreeView*>(QStringLiteral("treeView"));
      ASSERT_NE(view, nullptr);
      // The folder is read in the background: wait until the file's row is there with its date.
      const QModelIndex root = view->rootIndex();
      ASSERT_TRUE(QTest::qWaitFor([&] {
        return view->model()->rowCount(root) == 1 && !view->model()->index(0, 3, root).data().toString().isEmpty();
      }));
      for (int column = 0; column < view->header()->count(); ++column)
        EXPECT_LE(static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column), view->header()->sectionSize(column)) << "column " << column;
      EXPECT_LE(view->header()->length(), view->viewport()->width());
      shown.reject();
    });
    return shown.exec();
  };
  QTest::mouseClick(windows.main().Button1, Qt::LeftButton);
}

// Run by the test below in a process of its own, whose environment holds the
// desktop's language: start-up's translations, then the real dialog's title,
// buttons and replace question, written to the file VORKAN_DIALOG_TEXTS names.
TEST_F(SaveDialog, TextsInTheLanguageOfThisProcess) {
  const char* out = std::getenv("VORKAN_DIALOG_TEXTS");
  if (!out) GTEST_SKIP() << "run by LanguageFollowsTheDesktop in a process of its own";
  InstallQtTranslations();
  WriteFile(root_ / "start/x.ima", "old");
  Windows windows(ops_);
  windows.main().SaveDialog1->setDirectory(QString::fromStdString(root_ / "start"));
  TypedDialog seen;
  TypeIntoSaveDialog("x.ima", QMessageBox::No, nullptr, &seen);
  QTest::mouseClick(windows.main().Button1, Qt::LeftButton);
  WriteFile(out, QStringList{seen.title, seen.buttons.join(u'|'), seen.boxes.join(u'|')}.join(u'\x1f').toStdString());
}

TEST_F(SaveDialog, LanguageFollowsTheDesktop) {
  struct Case {
    const char* lang;
    const char* language;  // LANGUAGE, empty: unset
    QStringList texts;     // title, buttons, replace question
  };
  const Case cases[] = {
      {"C", "", {"Save As", "&Save|Cancel", "x.ima already exists.\nDo you want to replace it?"}},
      {"C.UTF-8", "", {"Save As", "&Save|Cancel", "x.ima already exists.\nDo you want to replace it?"}},
      {"ru_RU.UTF-8", "", {"Сохранить как", "&Сохранить|Отмена", "x.ima уже существует.\nЗаменить его?"}},
      {"C.UTF-8", "ru", {"Сохранить как", "&Сохранить|Отмена", "x.ima уже существует.\nЗаменить его?"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lang) + " " + c.language);
    const std::string out = root_ / "texts";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) environment.remove(QString::fromLatin1(name));
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
