#include "volume/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vorkan {
namespace {

bool IsRefused(const struct stat& st, const std::vector<FileIdentity>& refused) {
  return !S_ISREG(st.st_mode) ||
         std::find(refused.begin(), refused.end(), FileIdentity{st.st_dev, st.st_ino}) != refused.end();
}

// What the write-behind keeps of each open image. The program appends from
// its one thread, so the table needs no lock.
struct ImageState {
  off_t position = 0;  // the end of what was appended, holes included
  off_t started = 0;   // start of the range not yet sent to the disk
  off_t waited = 0;    // everything before is on disk and out of the cache
  bool writeBehind = true;
};

// The most one append waits for: a slow target (a USB stick writing 5 MB/s)
// then holds the copy, and with it the windows, for a fifth of a second at a
// time rather than for a whole range.
constexpr off_t kWaitSlice = 1 << 20;

std::map<ImageHandle, ImageState>& Images() {
  static std::map<ImageHandle, ImageState> images;
  return images;
}

// A handle the table does not know (not made by CreateImageFile) starts from
// where its descriptor stands.
ImageState& StateOf(ImageHandle image) {
  auto [it, added] = Images().try_emplace(image);
  if (added) {
    const off_t position = ::lseek(image, 0, SEEK_CUR);
    it->second.position = it->second.started = it->second.waited = std::max<off_t>(0, position);
  }
  return it->second;
}

// Errors that say the data did not reach the disk are write failures; any
// other refusal of sync_file_range means the file system cannot do it, and
// the copy goes on without write-behind.
bool Refused(ImageState& state) {
  if (errno == EIO || errno == ENOSPC || errno == EDQUOT) return false;
  state.writeBehind = false;
  return true;
}

// Starts the write-out of what was appended once it is ImageWriteBehind
// long. One such range stays in flight while the next is filled; what lies
// before it is waited for, a slice per append, and dropped from the cache.
// False on a write-back error (errno set).
bool WriteBehind(ImageHandle image, ImageState& state) {
  if (!state.writeBehind) return true;
  if (state.position - state.started >= ImageWriteBehind) {
    if (::sync_file_range(image, state.started, state.position - state.started, SYNC_FILE_RANGE_WRITE) != 0)
      return Refused(state);
    state.started = state.position;
  }
  const off_t written = state.started - ImageWriteBehind;
  if (state.waited < written) {
    const off_t length = std::min(written - state.waited, kWaitSlice);
    if (::sync_file_range(image, state.waited, length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) !=
        0)
      return Refused(state);
    ::posix_fadvise(image, state.waited, length, POSIX_FADV_DONTNEED);
    state.waited += length;
  }
  return true;
}

// A file whose last blocks were skipped is shorter than what was appended.
// Some file systems (FAT through FUSE) refuse to lengthen a file with
// ftruncate but fill a gap that a write leaves; the last zero is written then.
bool SetFullLength(ImageHandle image, const ImageState& state) {
  struct stat st {};
  if (::fstat(image, &st) != 0) return false;
  if (st.st_size >= state.position || ::ftruncate(image, state.position) == 0) return true;
  const char zero = 0;
  return ::pwrite(image, &zero, 1, state.position - 1) == 1;
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
  Images()[fd] = ImageState{};
  return fd;
}

bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size) {
  ImageState& state = StateOf(image);
  if (IsZeroBlock(data, size)) {
    // Left as a hole: it reads back as zeros and takes no room where the
    // file system has holes; elsewhere the file system writes the zeros.
    if (::lseek(image, size, SEEK_CUR) < 0) return false;
  } else {
    const char* p = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(image, p + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = ENOSPC;  // no progress and no error: a full device
        // The bytes of a block that did not fit whole are not counted by the
        // copy, so they must not stay in the file the user is asked to keep.
        state.position += done;
        CutImageFileBack(image, done);
        return false;
      }
      done += static_cast<std::uint32_t>(n);
    }
  }
  state.position += size;
  if (!WriteBehind(image, state)) {
    // An earlier range did not reach the disk: this block is not counted
    // either, so that the image ends where the keep prompt says.
    CutImageFileBack(image, size);
    return false;
  }
  return true;
}

void CutImageFileBack(ImageHandle image, std::uint32_t bytes) {
  if (bytes == 0) return;
  const int saved = errno;
  ImageState& state = StateOf(image);
  const off_t end = state.position;
  const off_t cut = end - static_cast<off_t>(bytes);
  // A file that ends in skipped zeros may already be shorter than the cut;
  // it is given its length when it is flushed or closed.
  struct stat st {};
  if (cut >= 0 && (::ftruncate(image, cut) == 0 || (::fstat(image, &st) == 0 && st.st_size <= cut)) &&
      ::lseek(image, cut, SEEK_SET) >= 0) {
    state.position = cut;
    state.started = std::min(state.started, state.position);
    state.waited = std::min(state.waited, state.started);
  }
  errno = saved;
}

bool FlushImageFile(ImageHandle image) {
  if (image < 0) return false;
  const ImageState& state = StateOf(image);
  if (!SetFullLength(image, state)) return false;
  int rc;
  do {
    rc = ::fdatasync(image);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return false;
  // All of it is clean now; the last ranges need not stay in memory.
  ::posix_fadvise(image, 0, 0, POSIX_FADV_DONTNEED);
  return true;
}

bool CloseImageFile(ImageHandle image) {
  if (image < 0) return false;
  // The keep prompt names the whole count, skipped zeros at the end included.
  const bool lengthSet = SetFullLength(image, StateOf(image));
  // Whatever is already written goes from the cache; the rest is written
  // back in its own time, so an abort does not wait for the disk.
  ::posix_fadvise(image, 0, 0, POSIX_FADV_DONTNEED);
  Images().erase(image);
  // A failed close can report a delayed write error (NFS, quota); the fd is
  // released either way, so it is never retried.
  const bool closed = ::close(image) == 0;
  return lengthSet && closed;
}

bool DeleteImageFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool IsZeroBlock(const void* data, std::uint32_t size) {
  // memcmp runs at memory speed and stops at the first data byte, which in
  // a block that holds anything is almost always near its start.
  alignas(64) static const unsigned char kZeros[4096] = {};
  if (size == 0) return true;
  const auto* p = static_cast<const unsigned char*>(data);
  for (; size >= sizeof kZeros; p += sizeof kZeros, size -= sizeof kZeros)
    if (std::memcmp(p, kZeros, sizeof kZeros) != 0) return false;
  return std::memcmp(p, kZeros, size) == 0;
}

}  // namespace vorkan
