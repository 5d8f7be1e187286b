#include "volume/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorkan {
namespace {

bool IsRefused(const struct stat& st, const std::vector<FileIdentity>& refused) {
  return !S_ISREG(st.st_mode) ||
         std::find(refused.begin(), refused.end(), FileIdentity{st.st_dev, st.st_ino}) != refused.end();
}

}  // namespace

ImageHandle CreateImageFile(const std::string& path, const std::vector<FileIdentity>& refused) {
  // Looked at before it is opened: opening a disk for writing makes udev
  // read its partition table again when it is closed.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (IsRefused(st, refused)) {
      errno = EINVAL;
      return kInvalidImage;
    }
  } else if (errno != ENOENT) {
    return kInvalidImage;
  }
  // Looked at again once open, in case the path was replaced in between.
  // O_NONBLOCK keeps a FIFO from holding the open until a reader appears;
  // nothing is truncated before the file is known to be a regular one.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return kInvalidImage;
  if (::fstat(fd, &st) != 0 || IsRefused(st, refused)) {
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
  std::uint32_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(image, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;  // no progress and no error: a full device
      // The bytes of a block that did not fit whole are not counted by the
      // copy, so they must not stay in the file the user is asked to keep.
      CutImageFileBack(image, done);
      return false;
    }
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

void CutImageFileBack(ImageHandle image, std::uint32_t bytes) {
  if (bytes == 0) return;
  const int saved = errno;
  const off_t end = ::lseek(image, 0, SEEK_CUR);
  if (end >= static_cast<off_t>(bytes) && ::ftruncate(image, end - bytes) == 0)
    ::lseek(image, end - bytes, SEEK_SET);
  errno = saved;
}

bool CloseImageFile(ImageHandle image) {
  if (image < 0) return false;
  // A failed close can report a delayed write error (NFS, quota); the fd is
  // released either way, so it is never retried.
  return ::close(image) == 0;
}

bool DeleteImageFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace vorkan
