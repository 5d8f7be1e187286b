// SPDX-License-Identifier: GPL-3.0-or-later
// What the save dialog shows of a folder, read with the bytes the file
// system holds: a name that is not UTF-8 (written by another system, or in
// an 8-bit code page) is listed and can be entered or written into, which a
// listing through text strings cannot promise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorkan {

struct FolderEntry {
  std::string name;  // the bytes of the name, without the folder
  bool isFolder = false;
  std::int64_t size = 0;      // bytes; 0 for folders
  std::int64_t modified = 0;  // seconds since 1970 (UTC)
};

// The entries of the folder `path`: folders first, then files, each group
// sorted by name (letters of the ASCII range without regard to case). "."
// and ".." are left out, and so are hidden names (starting with ".").
// A symbolic link counts as what it points to; a dangling one as a file.
// False, with no entries, when the folder cannot be read.
bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries);

// True when `path` names a folder (following symbolic links).
bool IsFolder(const std::string& path);

// True when `path` names anything, even a dangling symbolic link.
bool PathExists(const std::string& path);
// Where the symbolic link `path` points, as it is written; false when `path`
// is no link.
bool ReadLink(const std::string& path, std::string& target);

// `name` inside `folder`.
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` made absolute against `folder` when it is relative, without "."
// and ".." parts or repeated slashes, and without a trailing slash (except
// "/" itself). Symbolic links are kept as named, as the user sees them.
std::string CleanPath(const std::string& folder, const std::string& path);

// The folder that holds `path` ("/" for "/" and for names directly in it).
std::string ParentFolder(const std::string& path);

// The order of the listing's names: letters of the ASCII range without
// regard to case, then the bytes as they stand.
bool NameBefore(const std::string& a, const std::string& b);

// Makes a new folder in `folder` named `base`, or `base` followed by " 2",
// " 3" and on while the name is taken; `made` gets the name used. False, with
// `error` set to the errno, when none could be made.
bool MakeNumberedFolder(const std::string& folder, const std::string& base, std::string& made, int& error);

// Renames `from` to `to` unless `to` names anything already; `error` gets the
// errno of a refusal (EEXIST for a name that is taken).
bool RenameWithoutReplacing(const std::string& from, const std::string& to, int& error);

// The desktop folder of `home`: XDG_DESKTOP_DIR of the user-dirs.dirs file
// (in XDG_CONFIG_HOME, else `home`/.config), else `home`/Desktop; empty when
// that folder does not exist or is the home folder itself.
std::string DesktopFolder(const std::string& home);

// True when `name` matches the wildcard `pattern` ("*" any run, "?" one
// byte), letters of the ASCII range compared without regard to case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace vorkan
