// SPDX-License-Identifier: GPL-3.0-or-later
// A file system of one file, "disk", serving a backing file the way a slow
// or failing drive would: a loop device over it (losetup --direct-io=on) is a
// block device whose every read and write waits here. "control" takes new
// settings while it is mounted.
//
// Usage: faulty_fs [--SETTING...] [--ready-fd=N] BACKING MOUNTPOINT
// SETTING, on the command line after "--", in the control file bare and
// separated by blanks (a write there replaces every setting and restarts
// the counts):
//   fail=BEGIN-END      a read touching bytes [BEGIN, END) fails with EIO
//   flaky=BEGIN-END:N   the same, for the first N reads touching them only
//   read-rate=B         reads are served at B bytes a second at most (0: at once)
//   write-rate=B        writes likewise
// Runs in the foreground; SIGTERM unmounts; a byte goes to descriptor N
// once the mount stands.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Range {
  off_t begin = 0, end = 0;
  long failuresLeft = -1;  // -1: every read
};

struct Settings {
  std::vector<Range> failing;
  double readRate = 0, writeRate = 0;
};

bool Apply(Settings& settings, const std::string& token) {
  const std::size_t eq = token.find('=');
  if (eq == std::string::npos) return false;
  const std::string key = token.substr(0, eq), value = token.substr(eq + 1);
  if (key == "read-rate" || key == "write-rate") {
    double rate = -1;
    if (std::sscanf(value.c_str(), "%lf", &rate) != 1 || rate < 0) return false;
    (key == "read-rate" ? settings.readRate : settings.writeRate) = rate;
    return true;
  }
  Range range;
  long long begin = 0, end = 0;
  long times = 0;
  if (key == "fail" && std::sscanf(value.c_str(), "%lld-%lld", &begin, &end) == 2) {
  } else if (key == "flaky" && std::sscanf(value.c_str(), "%lld-%lld:%ld", &begin, &end, &times) == 3 &&
             times >= 0) {
    range.failuresLeft = times;
  } else {
    return false;
  }
  if (begin < 0 || end <= begin) return false;
  range.begin = begin;
  range.end = end;
  settings.failing.push_back(range);
  return true;
}

std::string Text(const Settings& settings) {
  std::ostringstream out;
  out << "read-rate=" << (long long)settings.readRate << " write-rate=" << (long long)settings.writeRate;
  for (const Range& r : settings.failing) {
    out << (r.failuresLeft < 0 ? " fail=" : " flaky=") << r.begin << "-" << r.end;
    if (r.failuresLeft >= 0) out << ":" << r.failuresLeft;
  }
  return out.str() + "\n";
}

struct State {
  int backing = -1;
  std::mutex mutex;
  std::condition_variable changed;
  Settings settings;
  unsigned generation = 0;
  // When the bytes booked so far have gone through. Idle time is not saved
  // up, so a transfer of K bytes never takes less than K / rate; but one of
  // many requests in a row goes on from the last one's turn, so that the
  // round trip between them is not charged to the device.
  Clock::time_point readFree, writeFree;
} state;

// Waits for `bytes` at `rate` (bytes a second); new settings end the wait.
void Pace(std::unique_lock<std::mutex>& lock, Clock::time_point& free, double rate, std::size_t bytes) {
  if (rate <= 0) return;
  const Clock::time_point now = Clock::now();
  free = (now - free < std::chrono::milliseconds(20) ? free : now) +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(bytes) / rate));
  const unsigned generation = state.generation;
  const Clock::time_point until = free;
  state.changed.wait_until(lock, until, [&] { return state.generation != generation; });
}

// EIO when the span touches a failing range; a flaky one uses up a failure.
bool Fails(off_t offset, std::size_t size) {
  bool fails = false;
  for (Range& r : state.settings.failing) {
    if (offset >= r.end || offset + off_t(size) <= r.begin || r.failuresLeft == 0) continue;
    if (r.failuresLeft > 0) --r.failuresLeft;
    fails = true;
  }
  return fails;
}

constexpr const char* kDisk = "/disk";
constexpr const char* kControl = "/control";

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  *st = {};
  if (std::strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
  }
  if (std::strcmp(path, kControl) == 0) {
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    return 0;
  }
  if (std::strcmp(path, kDisk) != 0) return -ENOENT;
  struct stat backing {};
  if (::fstat(state.backing, &backing) != 0) return -errno;
  st->st_mode = S_IFREG | 0644;
  st->st_nlink = 1;
  st->st_size = backing.st_size;
  return 0;
}

int ReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  for (const char* name : {".", "..", kDisk + 1, kControl + 1})
    fill(buf, name, nullptr, 0, fuse_fill_dir_flags{});
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  if (std::strcmp(path, kDisk) != 0 && std::strcmp(path, kControl) != 0) return -ENOENT;
  // Nothing is cached in the kernel: every read comes here.
  fi->direct_io = 1;
  return 0;
}

int Truncate(const char* path, off_t, fuse_file_info*) {
  return std::strcmp(path, kControl) == 0 ? 0 : -EPERM;
}

int Read(const char* path, char* buf, std::size_t size, off_t offset, fuse_file_info*) {
  std::unique_lock<std::mutex> lock(state.mutex);
  if (std::strcmp(path, kControl) == 0) {
    const std::string text = Text(state.settings);
    if (offset >= off_t(text.size())) return 0;
    const std::size_t n = std::min(size, text.size() - std::size_t(offset));
    std::memcpy(buf, text.data() + offset, n);
    return int(n);
  }
  if (Fails(offset, size)) return -EIO;
  Pace(lock, state.readFree, state.settings.readRate, size);
  lock.unlock();
  const ssize_t n = ::pread(state.backing, buf, size, offset);
  return n < 0 ? -errno : int(n);
}

int Write(const char* path, const char* buf, std::size_t size, off_t offset, fuse_file_info*) {
  std::unique_lock<std::mutex> lock(state.mutex);
  if (std::strcmp(path, kControl) == 0) {
    if (offset != 0) return -EINVAL;
    Settings settings;
    std::istringstream in(std::string(buf, size));
    for (std::string token; in >> token;) {
      if (!Apply(settings, token)) return -EINVAL;
    }
    state.settings = settings;
    state.readFree = state.writeFree = Clock::time_point{};
    ++state.generation;
    state.changed.notify_all();
    return int(size);
  }
  Pace(lock, state.writeFree, state.settings.writeRate, size);
  lock.unlock();
  const ssize_t n = ::pwrite(state.backing, buf, size, offset);
  return n < 0 ? -errno : int(n);
}

int Fsync(const char* path, int, fuse_file_info*) {
  return std::strcmp(path, kDisk) == 0 && ::fdatasync(state.backing) != 0 ? -errno : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  int readyFd = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--ready-fd=", 0) == 0) {
      readyFd = std::atoi(arg.c_str() + 11);
    } else if (arg.rfind("--", 0) == 0) {
      if (!Apply(state.settings, arg.substr(2))) {
        std::fprintf(stderr, "faulty_fs: bad setting %s\n", argv[i]);
        return 2;
      }
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() != 2) {
    std::fprintf(stderr, "usage: faulty_fs [--SETTING...] [--ready-fd=N] BACKING MOUNTPOINT\n");
    return 2;
  }
  state.backing = ::open(paths[0].c_str(), O_RDWR | O_CLOEXEC);
  if (state.backing < 0) state.backing = ::open(paths[0].c_str(), O_RDONLY | O_CLOEXEC);
  if (state.backing < 0) {
    std::perror(paths[0].c_str());
    return 1;
  }

  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.truncate = Truncate;
  ops.read = Read;
  ops.write = Write;
  ops.fsync = Fsync;
  char* fuseArgv[] = {argv[0], const_cast<char*>("-ofsname=faulty_fs")};
  fuse_args args = FUSE_ARGS_INIT(2, fuseArgv);
  fuse* fs = fuse_new(&args, &ops, sizeof ops, nullptr);
  if (fs == nullptr) return 1;
  if (fuse_mount(fs, paths[1].c_str()) != 0) {
    fuse_destroy(fs);
    return 1;
  }
  fuse_set_signal_handlers(fuse_get_session(fs));
  if (readyFd >= 0) {
    (void)!::write(readyFd, "r", 1);
    ::close(readyFd);
  }
  // Many threads: a read waiting for its turn holds one, and the control
  // file must still answer meanwhile.
  const int status = fuse_loop_mt(fs, 0);
  fuse_remove_signal_handlers(fuse_get_session(fs));
  fuse_unmount(fs);
  fuse_destroy(fs);
  return status == 0 ? 0 : 1;
}
