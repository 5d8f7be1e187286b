// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadBack.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "Sha256.h"

namespace vorkan::cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;

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

bool Sha256FromDisk(const std::string& path, std::string& hex) {
  const int fd = OpenFromDisk(path);
  if (fd < 0) return false;
  const std::unique_ptr<char, FreeBuffer> buffer(static_cast<char*>(std::aligned_alloc(4096, kBlock)));
  Sha256 digest;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return false;
    }
    digest.Add(buffer.get(), static_cast<std::size_t>(n));
    // Short: the end of the file, after which a direct read at an offset
    // out of alignment is not even tried.
    if (static_cast<std::size_t>(n) < kBlock) break;
  }
  ::close(fd);
  hex = digest.Hex();
  return true;
}

}  // namespace vorkan::cli
