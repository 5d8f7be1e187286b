// The save dialog's view of a folder, read as bytes: names that are not
// UTF-8 are listed as they stand, folders come first, and paths are put
// together and taken apart without a text conversion.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
}  // namespace vorkan::test
