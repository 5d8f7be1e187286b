// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh folder under /tmp for one test, removed with all it holds.
#pragma once

#include <string>

namespace vorkan::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace vorkan::test
