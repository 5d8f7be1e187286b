#include "volume/ImageFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorkan {

ImageHandle CreateImageFile(const std::string& path) {
  // O_NONBLOCK keeps a FIFO from holding the open until a reader appears;
  // nothing is truncated before the file is known to be a regular one.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return kInvalidImage;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return kInvalidImage;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  // Only a file that holds something is truncated: ext4 takes a truncation
  // to zero as a hint to write the whole file back when it is closed, which
  // would make every new image wait for the disk at the end of the copy.
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
      (st.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return kInvalidImage;
  }
  return fd;
}

bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size) {
  const char* p = static_cast<const char*>(data);
  std::uint32_t left = size;
  while (left > 0) {
    const ssize_t n = ::write(image, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {  // no progress and no error: treat as a full device
      errno = ENOSPC;
      return false;
    }
    p += n;
    left -= static_cast<std::uint32_t>(n);
  }
  return true;
}

bool CloseImageFile(ImageHandle image) {
  if (image < 0) return false;
  // A failed close can report a delayed write error (NFS, quota); the fd is
  // released either way, so it is never retried.
  return ::close(image) == 0;
}

bool DeleteImageFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace vorkan
