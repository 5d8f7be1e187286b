// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog's view of a folder, read as bytes: names that are not
// UTF-8 are listed as they stand, folders come first, and paths are put
// together and taken apart without a text conversion.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FolderListing.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

TEST(FolderListing, ListsEveryNameAsItsBytes) {
  TempDir dir;
  const std::string ff = "\xFF";                          // no UTF-8 at all
  const std::string cp1251 = "\xCE\xE1\xF0\xE0\xE7\xFB";  // "Образы" in code page 1251
  for (const std::string& folder :
       {ff, cp1251, std::string("Zeta"), std::string("alpha"), std::string(".hidden")})
    ASSERT_EQ(mkdir((dir / folder).c_str(), 0755), 0);
  WriteFile(dir / "b.IMA", "12345");
  WriteFile(dir / "A.ima", "");
  WriteFile(dir / "x\xE9.bin", "1");
  WriteFile(dir / ".profile", "1");
  ASSERT_EQ(symlink("alpha", (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
  const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "b.IMA").c_str(), times, 0), 0);

  struct Expected {
    std::string name;
    bool isFolder;
    std::int64_t size;
  };
  // Folders, then files, each by name with ASCII letters folded; bytes above
  // the ASCII range sort after it.
  const std::vector<Expected> expected = {
      {"alpha", true, 0},  {"link", true, 0},      {"Zeta", true, 0},
      {cp1251, true, 0},   {ff, true, 0},          {"A.ima", false, 0},
      {"b.IMA", false, 5}, {"dangling", false, 7}, {"x\xE9.bin", false, 1},
  };
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(dir.Path(), entries));
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].name, expected[i].name);
    EXPECT_EQ(entries[i].isFolder, expected[i].isFolder);
    EXPECT_EQ(entries[i].size, expected[i].size);
  }
  EXPECT_EQ(entries[6].modified, 1000000000);

  // The non-UTF-8 folder is a folder at its byte path, and can be listed.
  EXPECT_TRUE(IsFolder(JoinPath(dir.Path(), ff)));
  WriteFile(JoinPath(JoinPath(dir.Path(), ff), "in.IMA"), "abc");
  ASSERT_TRUE(ListFolder(JoinPath(dir.Path(), ff), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "in.IMA");

  EXPECT_FALSE(ListFolder(dir / "missing", entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(IsFolder(dir / "b.IMA"));
  EXPECT_TRUE(PathExists(dir / "dangling"));
  EXPECT_FALSE(PathExists(dir / "missing"));
}

TEST(FolderListing, PathsArePutTogetherAsBytes) {
  struct Case {
    std::string folder, path, clean;
  };
  const Case cases[] = {
      {"/home/u", "x", "/home/u/x"},
      {"/home/u", "/abs//p/", "/abs/p"},
      {"/home/u", "..", "/home"},
      {"/home/u", "../../../..", "/"},
      {"/", ".", "/"},
      {"/home/u", "./a/../b", "/home/u/b"},
      {"/\xFF", "\xCE\xE1", "/\xFF/\xCE\xE1"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanPath(c.folder, c.path), c.clean) << c.folder << " + " << c.path;

  EXPECT_EQ(JoinPath("/", "a"), "/a");
  EXPECT_EQ(JoinPath("/x", "a"), "/x/a");
  EXPECT_EQ(ParentFolder("/x/\xFF"), "/x");
  EXPECT_EQ(ParentFolder("/x"), "/");
  EXPECT_EQ(ParentFolder("/"), "/");
}

TEST(FolderListing, PatternsMatchWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"disk.IMA", "*.IMA", true},  {"disk.ima", "*.IMA", true},
      {"disk.Ima", "*.ima", true},  {"disk.IMAX", "*.IMA", false},
      {"disk.ISO", "*.IMA", false}, {".IMA", "*.IMA", true},
      {"IMA", "*.IMA", false},      {"a.b.iso", "*.ISO", true},
      {"\xFF.bin", "*.BIN", true},  {"ab", "a?", true},
      {"a", "a?", false},           {"anything", "*", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

TEST(FolderListing, TheDesktopIsTheUserDirsOneOrDesktopWhereItExists) {
  struct Case {
    const char* what;
    const char* userDirs;  // null: no user-dirs.dirs
    std::vector<std::string> folders;
    std::string desktop;  // below the home folder; empty: none
  };
  const Case cases[] = {
      {"no user-dirs.dirs", nullptr, {"Desktop"}, "Desktop"},
      {"no user-dirs.dirs, no Desktop", nullptr, {}, ""},
      {"from $HOME",
       "# made by xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Рабочий \\\"стол\\\"\"\n",
       {"Desktop", "Рабочий \"стол\""},
       "Рабочий \"стол\""},
      {"the home folder itself: no desktop", "XDG_DESKTOP_DIR=\"$HOME/\"\n", {"Desktop"}, ""},
      {"a folder that does not exist", "XDG_DESKTOP_DIR=\"$HOME/gone\"\n", {"Desktop"}, ""},
      {"another key only", "XDG_MUSIC_DIR=\"$HOME/m\"\n", {"Desktop", "m"}, "Desktop"},
  };
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string savedValue = saved ? saved : "";
  unsetenv("XDG_CONFIG_HOME");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir home;
    for (const std::string& folder : c.folders) ASSERT_EQ(mkdir((home / folder).c_str(), 0755), 0);
    if (c.userDirs) {
      ASSERT_EQ(mkdir((home / ".config").c_str(), 0755), 0);
      WriteFile(home / ".config/user-dirs.dirs", c.userDirs);
    }
    EXPECT_EQ(DesktopFolder(home.Path()), c.desktop.empty() ? std::string() : home / c.desktop);
  }
  // XDG_CONFIG_HOME, when set, holds the file; an absolute path stands as written.
  TempDir home, config;
  WriteFile(config / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + config.Path() + "\"\n");
  setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  EXPECT_EQ(DesktopFolder(home.Path()), config.Path());
  if (saved)
    setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vorkan::test
