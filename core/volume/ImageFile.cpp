// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <cstdio>
#include <optional>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorkan {
namespace {

// The most one append waits for: a slow target (a USB stick writing 5 MB/s)
// then holds the copy, and with it the windows, for a fifth of a second at a
// time rather than for a whole range.
constexpr off_t kWaitSlice = 1 << 20;

bool SyncData(int fd) {
  int rc;
  do {
    rc = ::fdatasync(fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool IsRefused(const struct stat& st, const std::vector<FileIdentity>& refused) {
  return !S_ISREG(st.st_mode) ||
         std::find(refused.begin(), refused.end(), FileIdentity{st.st_dev, st.st_ino}) != refused.end();
}

// The hidden name an image is written under where the file system has no
// files without a name, or put in place through: ".NAME.part", numbered
// when that is taken. Long names are cut so that the ending always fits.
std::string PartialName(const std::string& name, int attempt) {
  std::string base = CutAtCharacter(name, 200);
  if (attempt > 0) base += "." + std::to_string(attempt);
  return "." + base + ".part";
}

// Makes a new empty file of a free partial name in the folder; -1 on failure.
int CreatePartial(int folder, const std::string& name, std::string& partial) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    partial = PartialName(name, attempt);
    const int fd = ::openat(folder, partial.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

ImageFile::ImageFile(ImageFile&& other) noexcept { *this = std::move(other); }

ImageFile& ImageFile::operator=(ImageFile&& other) noexcept {
  if (this == &other) return *this;
  Release();
  fd_ = std::exchange(other.fd_, -1);
  folder_ = std::exchange(other.folder_, -1);
  path_ = std::move(other.path_);
  folderAt_ = std::move(other.folderAt_);
  name_ = std::move(other.name_);
  partial_ = std::move(other.partial_);
  placedAs_ = std::move(other.placedAs_);
  identity_ = other.identity_;
  replaces_ = other.replaces_;
  position_ = other.position_;
  started_ = other.started_;
  waited_ = other.waited_;
  writeBehind_ = other.writeBehind_;
  synced_ = other.synced_;
  closed_ = other.closed_;
  placed_ = other.placed_;
  kept_ = other.kept_;
  done_ = std::exchange(other.done_, true);
  return *this;
}

ImageFile::~ImageFile() { Release(); }

void ImageFile::Release() {
  if (fd_ >= 0) ::close(fd_);
  if (folder_ >= 0) ::close(folder_);
  fd_ = -1;
  folder_ = -1;
  done_ = true;
}

// Errors that say the data did not reach the disk are write failures; any
// other refusal of sync_file_range means the file system cannot do it, and
// the copy goes on without write-behind.
bool ImageFile::Refused() {
  if (errno == EIO || errno == ENOSPC || errno == EDQUOT) return false;
  writeBehind_ = false;
  return true;
}

// Starts the write-out of what was appended once it is ImageWriteBehind
// long. One such range stays in flight while the next is filled; what lies
// before it is waited for, a slice per append, and dropped from the cache.
// False on a write-back error (errno set).
bool ImageFile::WriteBehind() {
  if (!writeBehind_) return true;
  if (position_ - started_ >= ImageWriteBehind) {
    if (::sync_file_range(fd_, started_, position_ - started_, SYNC_FILE_RANGE_WRITE) != 0) return Refused();
    started_ = position_;
  }
  const off_t written = started_ - ImageWriteBehind;
  if (waited_ < written) {
    const off_t length = std::min(written - waited_, kWaitSlice);
    if (::sync_file_range(fd_, waited_, length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) !=
        0)
      return Refused();
    ::posix_fadvise(fd_, waited_, length, POSIX_FADV_DONTNEED);
    waited_ += length;
  }
  return true;
}

// A file whose last blocks were skipped is shorter than what was appended.
// Some file systems (FAT through FUSE) refuse to lengthen a file with
// ftruncate but fill a gap that a write leaves; the last zero is written then.
bool ImageFile::SetFullLength() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  if (st.st_size >= position_ || ::ftruncate(fd_, position_) == 0) return true;
  const char zero = 0;
  return ::pwrite(fd_, &zero, 1, position_ - 1) == 1;
}

// Links the file of no name into the folder under a free partial name.
bool ImageFile::LinkUnnamed(std::string& partial) const {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    partial = PartialName(name_, attempt);
    if (::linkat(AT_FDCWD, self.c_str(), folder_, partial.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Whether `name` in the folder is the image itself (not through a link).
bool ImageFile::NamesImage(const std::string& name) const {
  struct stat st {};
  return ::fstatat(folder_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         FileIdentity{st.st_dev, st.st_ino} == identity_;
}

// Whether `name` in the folder is the file the image may replace.
bool ImageFile::NamesReplaceable(const std::string& name) const {
  FileIdentity there;
  return replaces_ && IdentityOfNameAt(folder_, name, there) && there == *replaces_;
}

bool ImageFile::NameTaken(const std::string& name) const {
  struct stat st {};
  return ::fstatat(folder_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Moves the named file `from` onto `name` where nothing stands; file systems
// that cannot say so in the rename itself (FUSE) are asked first. EEXIST
// when the name is taken.
bool ImageFile::MoveOntoFree(const std::string& from, const std::string& name) const {
  if (::renameat2(folder_, from.c_str(), folder_, name.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (NameTaken(name)) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(folder_, from.c_str(), folder_, name.c_str()) == 0;
}

// Sets `name` to the image in one step where nothing stands there, or where
// the file it may replace does (when `replacing`); anything else under the
// name is left as it is. The file of no name is linked there, or linked
// under a partial name first and renamed over the file it replaces; a
// partial file is renamed.
bool ImageFile::PlaceUnder(const std::string& name, bool replacing) {
  const bool over = replacing && NamesReplaceable(name);
  if (!partial_.empty()) {
    if (!(over ? ::renameat(folder_, partial_.c_str(), folder_, name.c_str()) == 0
               : MoveOntoFree(partial_, name)))
      return false;
    partial_.clear();
    return true;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (!over) return ::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  // A file of no name can be given a name once only: from here on it is a
  // partial file, renamed wherever it goes next.
  if (!LinkUnnamed(partial_)) {
    partial_.clear();
    return false;
  }
  if (::renameat(folder_, partial_.c_str(), folder_, name.c_str()) != 0) return false;
  partial_.clear();
  return true;
}

// The chosen name first; failing that, with `beside`, the first free name
// beside it. A name that stands for something else, a folder, a file that
// may not be replaced (immutable, another user's in a sticky folder) or
// that appeared during the copy: none of these costs the image.
bool ImageFile::PlaceImage(bool beside) {
  if (PlaceUnder(name_, beside)) {
    placedAs_ = name_;
    return true;
  }
  if (!beside) return false;
  for (int number = 1; number < 1000; ++number) {
    const std::string name = NameBeside(name_, number);
    if (PlaceUnder(name, false)) {
      placedAs_ = name;
      return true;
    }
    if (errno != EEXIST) return false;  // the folder takes no name at all
  }
  return false;
}

// Where the folder is now: it may have been renamed during the copy. Its
// old place where the system cannot tell.
std::string ImageFile::FolderNow() const {
  char buffer[PATH_MAX];
  const std::string self = "/proc/self/fd/" + std::to_string(folder_);
  const ssize_t n = ::readlink(self.c_str(), buffer, sizeof buffer);
  return n > 0 && static_cast<std::size_t>(n) < sizeof buffer
             ? std::string(buffer, static_cast<std::size_t>(n))
             : folderAt_;
}

// The path of `name` in the folder as it stands now; the path as given
// while that is where the image is.
std::string ImageFile::PathNow(const std::string& name) const {
  const std::string folder = FolderNow();
  if (name == name_ && folder == folderAt_) return path_;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::optional<ImageFile> ImageFile::Create(const std::string& path, const std::vector<FileIdentity>& refused,
                                           const std::optional<FileIdentity>& replaces) {
  // Looked at before anything is opened: opening a disk for writing makes
  // udev read its partition table again when it is closed.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return std::nullopt;
  } else if (!S_ISLNK(st.st_mode) || ::stat(path.c_str(), &st) == 0) {
    // A link is replaced by the image, never written through; one that
    // points at a volume or a device is refused all the same, since that is
    // what its name stands for.
    if (IsRefused(st, refused)) {
      errno = EINVAL;
      return std::nullopt;
    }
  }
  const std::size_t slash = path.rfind('/');
  ImageFile image;
  image.name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (image.name_.empty() || image.name_ == "." || image.name_ == "..") {
    errno = EISDIR;
    return std::nullopt;
  }
  image.folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (image.folder_ < 0) return std::nullopt;
  image.path_ = path;
  image.replaces_ = replaces;
  image.folderAt_ = folder;
  image.folderAt_ = image.FolderNow();
  // A file of no name needs /proc to be given one later.
  if (::access("/proc/self/fd", X_OK) == 0)
    image.fd_ = ::openat(image.folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (image.fd_ < 0 && (image.fd_ = CreatePartial(image.folder_, image.name_, image.partial_)) < 0) {
    const int saved = errno;
    image.Release();
    errno = saved;
    return std::nullopt;
  }
  // 0600 whatever a default ACL of the folder would give; file systems
  // without modes (FAT through FUSE) refuse to be asked, and that is fine.
  ::fchmod(image.fd_, 0600);
  if (::fstat(image.fd_, &st) != 0) {
    const int saved = errno;
    if (!image.partial_.empty()) ::unlinkat(image.folder_, image.partial_.c_str(), 0);
    image.Release();
    errno = saved;
    return std::nullopt;
  }
  image.identity_ = FileIdentity{st.st_dev, st.st_ino};
  return image;
}

bool ImageFile::Append(const void* data, std::uint32_t size) {
  if (closed_ || fd_ < 0) {
    errno = EBADF;
    return false;
  }
  synced_ = false;
  if (IsZeroBlock(data, size)) {
    // Left as a hole: it reads back as zeros and takes no room where the
    // file system has holes; elsewhere the file system writes the zeros.
    if (::lseek(fd_, size, SEEK_CUR) < 0) return false;
  } else {
    const char* p = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, p + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = ENOSPC;  // no progress and no error: a full device
        // The bytes of a block that did not fit whole are not counted by the
        // copy, so they must not stay in the file the user is asked to keep.
        position_ += done;
        CutBack(done);
        return false;
      }
      done += static_cast<std::uint32_t>(n);
    }
  }
  position_ += size;
  if (!WriteBehind()) {
    // An earlier range did not reach the disk: this block is not counted
    // either, so that the image ends where the keep prompt says.
    CutBack(size);
    return false;
  }
  return true;
}

void ImageFile::CutBack(std::uint32_t bytes) {
  if (bytes == 0 || fd_ < 0) return;
  const int saved = errno;
  const off_t cut = position_ - static_cast<off_t>(bytes);
  // A file that ends in skipped zeros may already be shorter than the cut;
  // it is given its length when it is flushed or closed.
  struct stat st {};
  if (cut >= 0 && (::ftruncate(fd_, cut) == 0 || (::fstat(fd_, &st) == 0 && st.st_size <= cut)) &&
      ::lseek(fd_, cut, SEEK_SET) >= 0) {
    position_ = cut;
    started_ = std::min(started_, position_);
    waited_ = std::min(waited_, started_);
  }
  errno = saved;
}

bool ImageFile::Flush(std::int64_t length) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  if (!SetFullLength() || !SyncData(fd_)) return false;
  // The size the file system keeps, not the one the program thinks it
  // wrote: one that cannot hold the file (FAT's 4 GiB) may say yes to every
  // write and still keep less.
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  if (st.st_size != length || position_ != length) {
    errno = EFBIG;
    return false;
  }
  synced_ = true;
  // All of it is clean now; the last ranges need not stay in memory.
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
  return true;
}

bool ImageFile::Keep(bool beside, std::string& keptPath) {
  keptPath.clear();
  if (done_) {
    errno = EBADF;
    return false;
  }
  if (!placed_) {
    // The data before the name: a power cut must not leave a name that
    // stands for less than was kept. A failed sync is no reason to refuse
    // what the user keeps; the success road has checked its own.
    if (!synced_ && fd_ >= 0) SyncData(fd_);
    placed_ = PlaceImage(beside);
  }
  // The folder holds the new name only once it is synced.
  kept_ = placed_ && ::fsync(folder_) == 0 && NamesImage(placedAs_);
  const bool kept = kept_;
  if (kept)
    keptPath = PathNow(placedAs_);
  else if (closed_ && beside && !partial_.empty())
    keptPath = PathNow(partial_);
  if (closed_) {
    // A partial file that could take no name stays under its own where the
    // user wanted the data (its name says what it is); one that was to take
    // the name only where nothing stood goes.
    if (kept || beside)
      Release();
    else
      Delete();
  }
  return kept;
}

bool ImageFile::Close() {
  if (done_) return false;
  if (closed_) return true;
  closed_ = true;
  // The keep prompt names the whole count, skipped zeros at the end included.
  const bool lengthSet = SetFullLength();
  // Whatever is already written goes from the cache; the rest is written
  // back in its own time, so an abort does not wait for the disk.
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
  if (kept_) {
    // A failed close can report a delayed write error (NFS, quota); the fd
    // is released either way, so it is never retried, but the image stays
    // for the user's answer: keep it, or take it off the name again.
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (lengthSet && closed) Release();
    return lengthSet && closed;
  }
  // A file of no name lives only as long as its descriptor, which is kept
  // until the image is kept or thrown away; a partial file has a name.
  if (!partial_.empty()) {
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return lengthSet && closed;
  }
  return lengthSet;
}

bool ImageFile::Delete() {
  if (done_) return false;
  bool ok = true;
  if (placed_) {
    ok = NamesImage(placedAs_) && ::unlinkat(folder_, placedAs_.c_str(), 0) == 0;
  } else if (!partial_.empty()) {
    ok = ::unlinkat(folder_, partial_.c_str(), 0) == 0;
  }
  Release();
  return ok;
}

ImageHandle ImageFiles::Create(const std::string& path, const std::vector<FileIdentity>& refused,
                               const std::optional<FileIdentity>& replaces) {
  std::optional<ImageFile> file = ImageFile::Create(path, refused, replaces);
  if (!file) return kInvalidImage;
  const ImageHandle image = ++last_;
  files_.emplace(image, std::move(*file));
  return image;
}

ImageFile* ImageFiles::Find(ImageHandle image) {
  const auto it = files_.find(image);
  return it == files_.end() ? nullptr : &it->second;
}

void ImageFiles::Settle(ImageHandle image) {
  const auto it = files_.find(image);
  if (it != files_.end() && it->second.Done()) files_.erase(it);
}

bool ImageFiles::Append(ImageHandle image, const void* data, std::uint32_t size) {
  ImageFile* file = Find(image);
  if (file == nullptr) {
    errno = EBADF;
    return false;
  }
  return file->Append(data, size);
}

void ImageFiles::CutBack(ImageHandle image, std::uint32_t bytes) {
  if (ImageFile* file = Find(image)) file->CutBack(bytes);
}

bool ImageFiles::Flush(ImageHandle image, std::int64_t length) {
  ImageFile* file = Find(image);
  if (file == nullptr) {
    errno = EBADF;
    return false;
  }
  return file->Flush(length);
}

bool ImageFiles::Keep(ImageHandle image, bool beside, std::string& keptPath) {
  ImageFile* file = Find(image);
  if (file == nullptr) {
    keptPath.clear();
    errno = EBADF;
    return false;
  }
  const bool kept = file->Keep(beside, keptPath);
  Settle(image);
  return kept;
}

bool ImageFiles::Close(ImageHandle image) {
  ImageFile* file = Find(image);
  if (file == nullptr) return false;
  const bool closed = file->Close();
  Settle(image);
  return closed;
}

bool ImageFiles::Delete(ImageHandle image) {
  ImageFile* file = Find(image);
  if (file == nullptr) return false;
  const bool deleted = file->Delete();
  Settle(image);
  return deleted;
}

std::string CutAtCharacter(const std::string& name, std::size_t bytes) {
  if (name.size() <= bytes) return name;
  // Back off over continuation bytes (10xxxxxx) to the start of the
  // character that would be split.
  std::size_t cut = bytes;
  while (cut > 0 && bytes - cut < 3 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  // More continuation bytes than a character has: not UTF-8, cut anywhere.
  return name.substr(0, (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80 ? bytes : cut);
}

std::string NameBeside(const std::string& name, int number) {
  constexpr std::size_t kNameMax = 255;
  const std::string mark = " (" + std::to_string(number) + ")";
  // The extension is what follows the last dot, unless the dot starts the
  // name or the extension leaves no room for a stem.
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos || name.size() - dot + mark.size() >= kNameMax) dot = name.size();
  const std::string extension = name.substr(dot);
  return CutAtCharacter(name.substr(0, dot), kNameMax - mark.size() - extension.size()) + mark + extension;
}

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
