// Helpers for the volume tests: temporary folders, fake sysfs trees, shell
// commands, loop devices and mounts, each undone by its destructor.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorkan::test {

inline std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

struct CommandResult {
  int status = -1;  // exit code, -1 when it could not run
  std::string output;
};

// Runs a shell command line with stderr folded into the output.
inline CommandResult Run(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

inline bool HaveTool(const std::string& tool) {
  return Run("command -v " + tool + " >/dev/null").status == 0;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline int OpenDescriptorCount() {
  int count = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ++count;
    ::closedir(d);
  }
  return count - 1;  // the listing's own descriptor
}

class TempDir {
 public:
  explicit TempDir(const char* pattern = "/tmp/vorkan-volume-XXXXXX") {
    std::string buf = pattern;
    if (::mkdtemp(buf.data()) != nullptr) {
      path_ = buf;
      ::chmod(path_.c_str(), 0755);  // reachable by the unprivileged child of the access tests
    }
  }
  ~TempDir() {
    if (!path_.empty()) Run("rm -rf --one-file-system " + Quote(path_));
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A fake /sys/class/block: every device is a folder under devices/, linked
// from class/block/NAME the way sysfs links its entries; partitions are
// subfolders of their disk.
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
  void AddPartition(const std::string& disk, const std::string& name, unsigned major,
                    unsigned minor, int number) {
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
