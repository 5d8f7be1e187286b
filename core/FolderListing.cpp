// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace vorkan {

namespace {

unsigned char Fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

bool NameBefore(const std::string& a, const std::string& b) {
  const auto folded = [](char x, char y) { return Fold(x) < Fold(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
  return a < b;  // the same but for case: a steady order all the same
}

bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return false;
  const int fd = dirfd(dir);
  while (const dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name.empty() || name[0] == '.') continue;
    struct stat st {};
    if (fstatat(fd, d->d_name, &st, 0) != 0 && fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      continue;
    FolderEntry entry;
    entry.name = name;
    entry.isFolder = S_ISDIR(st.st_mode);
    entry.size = entry.isFolder ? 0 : static_cast<std::int64_t>(st.st_size);
    entry.modified = static_cast<std::int64_t>(st.st_mtime);
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    if (a.isFolder != b.isFolder) return a.isFolder;
    return NameBefore(a.name, b.name);
  });
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool ReadLink(const std::string& path, std::string& target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<std::size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + '/' + name;
}

std::string CleanPath(const std::string& folder, const std::string& path) {
  const std::string whole = !path.empty() && path[0] == '/' ? path : JoinPath(folder, path);
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= whole.size()) {
    std::size_t end = whole.find('/', start);
    if (end == std::string::npos) end = whole.size();
    const std::string part = whole.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string clean;
  for (const std::string& part : parts) clean += '/' + part;
  return clean.empty() ? "/" : clean;
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

bool MakeNumberedFolder(const std::string& folder, const std::string& base, std::string& made, int& error) {
  // mkdir itself tells a taken name: no window between a check and the make.
  for (int number = 1; number < 10000; ++number) {
    made = number == 1 ? base : base + ' ' + std::to_string(number);
    if (mkdir(JoinPath(folder, made).c_str(), 0777) == 0) return true;
    if (errno != EEXIST) break;
  }
  error = errno;
  made.clear();
  return false;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to, int& error) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  // File systems without RENAME_NOREPLACE: a check first, then the rename.
  if (errno == EINVAL || errno == ENOSYS) {
    if (PathExists(to)) {
      error = EEXIST;
      return false;
    }
    if (rename(from.c_str(), to.c_str()) == 0) return true;
  }
  error = errno;
  return false;
}

std::string DesktopFolder(const std::string& home) {
  std::string config;
  if (const char* value = std::getenv("XDG_CONFIG_HOME"); value && *value == '/')
    config = value;
  else
    config = JoinPath(home, ".config");
  std::string desktop;
  std::ifstream dirs(JoinPath(config, "user-dirs.dirs"));
  // Lines of the form XDG_DESKTOP_DIR="$HOME/Desktop", the path absolute or
  // from $HOME, with \ before a " or a \.
  for (std::string line; std::getline(dirs, line);) {
    const std::string key = "XDG_DESKTOP_DIR=\"";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value;
    for (std::size_t i = key.size(); i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
      desktop = home + value.substr(5);
    else if (!value.empty() && value[0] == '/')
      desktop = value;
  }
  if (desktop.empty()) desktop = JoinPath(home, "Desktop");
  desktop = CleanPath("/", desktop);
  return IsFolder(desktop) && desktop != CleanPath("/", home) ? desktop : std::string();
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match: on a mismatch, the last "*" takes one more byte.
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace vorkan
