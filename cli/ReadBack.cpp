// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadBack.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "Sha256.h"

namespace vorkan::cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;
// Blocks read ahead of the hash.
constexpr std::size_t kBuffers = 4;

struct FreeBuffer {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace

int OpenFromDisk(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC | O_NOCTTY);
  if (fd < 0 && errno == EINVAL) {
    // A file system without direct reads (tmpfs, some FUSE ones): the
    // cached pages are dropped first, which a flushed image allows.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  }
  return fd;
}

// The disk reads one block while the hash takes the one before: the reads
// run at the disk's pace instead of waiting on the hash after every block.
bool Sha256FromDisk(const std::string& path, std::string& hex) {
  const int fd = OpenFromDisk(path);
  if (fd < 0) return false;
  std::unique_ptr<char, FreeBuffer> buffers[kBuffers];
  for (auto& b : buffers) {
    b.reset(static_cast<char*>(std::aligned_alloc(4096, kBlock)));
    if (!b) {
      ::close(fd);
      errno = ENOMEM;
      return false;
    }
  }
  std::size_t sizes[kBuffers] = {};
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t read = 0, hashed = 0;  // blocks so far
  bool lastRead = false;
  Sha256 digest;
  std::thread hasher([&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return hashed < read || lastRead; });
      if (hashed == read) return;
      const std::size_t at = hashed % kBuffers;
      lock.unlock();
      digest.Add(buffers[at].get(), sizes[at]);
      lock.lock();
      ++hashed;
      changed.notify_all();
    }
  });
  int error = 0;
  for (;;) {
    std::size_t at = 0;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return read - hashed < kBuffers; });
      at = read % kBuffers;
    }
    ssize_t n = 0;
    do n = ::read(fd, buffers[at].get(), kBlock);
    while (n < 0 && errno == EINTR);
    if (n < 0) error = errno;
    std::lock_guard lock(mutex);
    if (n > 0) {
      sizes[at] = static_cast<std::size_t>(n);
      ++read;
    }
    // Short: the end of the file, after which a direct read at an offset
    // out of alignment is not even tried.
    lastRead = n < 0 || static_cast<std::size_t>(n) < kBlock;
    changed.notify_all();
    if (lastRead) break;
  }
  hasher.join();
  ::close(fd);
  if (error != 0) {
    errno = error;
    return false;
  }
  hex = digest.Hex();
  return true;
}

}  // namespace vorkan::cli
