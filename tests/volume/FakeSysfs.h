// SPDX-License-Identifier: GPL-3.0-or-later
// A fake /sys/class/block: every device is a folder under devices/, linked
// from class/block/NAME the way sysfs links its entries; partitions are
// subfolders of their disk.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "TestSupport.h"

namespace vorkan::test {

class FakeSysfs {
 public:
  FakeSysfs() {
    ::mkdir((dir_ / "devices").c_str(), 0755);
    ::mkdir((dir_ / "class").c_str(), 0755);
    ::mkdir(blockDir().c_str(), 0755);
  }
  std::string blockDir() const { return dir_ / "class/block"; }
  const TempDir& dir() const { return dir_; }

  // A whole disk; `sectors` is the size in 512-byte units.
  std::string AddDisk(const std::string& name, unsigned major, unsigned minor,
                      unsigned long long sectors = 2048, int removable = 0) {
    const std::string d = dir_ / ("devices/" + name);
    ::mkdir(d.c_str(), 0755);
    WriteFile(d + "/dev", std::to_string(major) + ":" + std::to_string(minor) + "\n");
    WriteFile(d + "/size", std::to_string(sectors) + "\n");
    WriteFile(d + "/removable", std::to_string(removable) + "\n");
    Link(name, "../../devices/" + name);
    return d;
  }
  void AddPartition(const std::string& disk, const std::string& name, unsigned major, unsigned minor,
                    int number) {
    const std::string d = dir_ / ("devices/" + disk + "/" + name);
    ::mkdir(d.c_str(), 0755);
    WriteFile(d + "/dev", std::to_string(major) + ":" + std::to_string(minor) + "\n");
    WriteFile(d + "/size", "1024\n");
    WriteFile(d + "/partition", std::to_string(number) + "\n");
    Link(name, "../../devices/" + disk + "/" + name);
  }
  void AddLoop(const std::string& name, unsigned minor, bool backed) {
    const std::string d = AddDisk(name, 7, minor, backed ? 2048 : 0);
    if (backed) {
      ::mkdir((d + "/loop").c_str(), 0755);
      WriteFile(d + "/loop/backing_file", "/tmp/" + name + ".img\n");
    }
  }

 private:
  void Link(const std::string& name, const std::string& target) {
    [[maybe_unused]] const int rc = ::symlink(target.c_str(), (blockDir() + "/" + name).c_str());
  }
  TempDir dir_;
};

}  // namespace vorkan::test
