#include "volume/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <cstdio>
#include <map>
#include <optional>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace vorkan {
namespace {

// What the write-behind keeps of each open image. The program appends from
// its one thread, so the table needs no lock.
struct ImageState {
  int fd = -1;           // -1 once a partial file is closed
  int folder = -1;       // the target's folder, for naming and syncing
  std::string path;      // as given
  std::string folderAt;  // where the folder stood when the image was made
  std::string name;      // the chosen name in that folder
  std::string partial;   // the hidden name written under; empty: no name at all
  std::string placedAs;  // the name the image was put under
  FileIdentity identity;
  std::optional<FileIdentity> replaces;  // the one file it may take the place of
  off_t position = 0;                    // the end of what was appended, holes included
  off_t started = 0;                     // start of the range not yet sent to the disk
  off_t waited = 0;                      // everything before is on disk and out of the cache
  bool writeBehind = true;
  bool synced = false;  // on disk as it stands
  bool closed = false;
  bool placed = false;  // the chosen name was set to it
  bool kept = false;    // and that name was found to be it, on disk
};

// The most one append waits for: a slow target (a USB stick writing 5 MB/s)
// then holds the copy, and with it the windows, for a fifth of a second at a
// time rather than for a whole range.
constexpr off_t kWaitSlice = 1 << 20;

std::map<ImageHandle, ImageState>& Images() {
  static std::map<ImageHandle, ImageState> images;
  return images;
}

// Null for a handle CreateImageFile did not give, or gave and released.
ImageState* StateOf(ImageHandle image) {
  const auto it = Images().find(image);
  return it == Images().end() ? nullptr : &it->second;
}

void Release(ImageHandle image) {
  ImageState* state = StateOf(image);
  if (state == nullptr) return;
  if (state->fd >= 0) ::close(state->fd);
  if (state->folder >= 0) ::close(state->folder);
  Images().erase(image);
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
bool WriteBehind(ImageState& state) {
  if (!state.writeBehind) return true;
  if (state.position - state.started >= ImageWriteBehind) {
    if (::sync_file_range(state.fd, state.started, state.position - state.started, SYNC_FILE_RANGE_WRITE) !=
        0)
      return Refused(state);
    state.started = state.position;
  }
  const off_t written = state.started - ImageWriteBehind;
  if (state.waited < written) {
    const off_t length = std::min(written - state.waited, kWaitSlice);
    if (::sync_file_range(state.fd, state.waited, length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) !=
        0)
      return Refused(state);
    ::posix_fadvise(state.fd, state.waited, length, POSIX_FADV_DONTNEED);
    state.waited += length;
  }
  return true;
}

// A file whose last blocks were skipped is shorter than what was appended.
// Some file systems (FAT through FUSE) refuse to lengthen a file with
// ftruncate but fill a gap that a write leaves; the last zero is written then.
bool SetFullLength(const ImageState& state) {
  struct stat st {};
  if (::fstat(state.fd, &st) != 0) return false;
  if (st.st_size >= state.position || ::ftruncate(state.fd, state.position) == 0) return true;
  const char zero = 0;
  return ::pwrite(state.fd, &zero, 1, state.position - 1) == 1;
}

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

// Links the file of no name into the folder under a free partial name.
bool LinkUnnamed(const ImageState& state, std::string& partial) {
  const std::string self = "/proc/self/fd/" + std::to_string(state.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    partial = PartialName(state.name, attempt);
    if (::linkat(AT_FDCWD, self.c_str(), state.folder, partial.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Whether `name` in the folder is the image itself (not through a link).
bool NamesImage(const ImageState& state, const std::string& name) {
  struct stat st {};
  return ::fstatat(state.folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         FileIdentity{st.st_dev, st.st_ino} == state.identity;
}

// Whether `name` in the folder is the file the image may replace.
bool NamesReplaceable(const ImageState& state, const std::string& name) {
  FileIdentity there;
  return state.replaces && IdentityOfNameAt(state.folder, name, there) && there == *state.replaces;
}

bool NameTaken(const ImageState& state, const std::string& name) {
  struct stat st {};
  return ::fstatat(state.folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Moves the named file `from` onto `name` where nothing stands; file systems
// that cannot say so in the rename itself (FUSE) are asked first. EEXIST
// when the name is taken.
bool MoveOntoFree(const ImageState& state, const std::string& from, const std::string& name) {
  if (::renameat2(state.folder, from.c_str(), state.folder, name.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (NameTaken(state, name)) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(state.folder, from.c_str(), state.folder, name.c_str()) == 0;
}

// Sets `name` to the image in one step where nothing stands there, or where
// the file it may replace does (when `replacing`); anything else under the
// name is left as it is. The file of no name is linked there, or linked
// under a partial name first and renamed over the file it replaces; a
// partial file is renamed.
bool PlaceUnder(ImageState& state, const std::string& name, bool replacing) {
  const bool over = replacing && NamesReplaceable(state, name);
  if (!state.partial.empty()) {
    if (!(over ? ::renameat(state.folder, state.partial.c_str(), state.folder, name.c_str()) == 0
               : MoveOntoFree(state, state.partial, name)))
      return false;
    state.partial.clear();
    return true;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(state.fd);
  if (!over) return ::linkat(AT_FDCWD, self.c_str(), state.folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  // A file of no name can be given a name once only: from here on it is a
  // partial file, renamed wherever it goes next.
  if (!LinkUnnamed(state, state.partial)) {
    state.partial.clear();
    return false;
  }
  if (::renameat(state.folder, state.partial.c_str(), state.folder, name.c_str()) != 0) return false;
  state.partial.clear();
  return true;
}

// The chosen name first; failing that, with `beside`, the first free name
// beside it. A name that stands for something else, a folder, a file that
// may not be replaced (immutable, another user's in a sticky folder) or
// that appeared during the copy: none of these costs the image.
bool PlaceImage(ImageState& state, bool beside) {
  if (PlaceUnder(state, state.name, beside)) {
    state.placedAs = state.name;
    return true;
  }
  if (!beside) return false;
  for (int number = 1; number < 1000; ++number) {
    const std::string name = NameBeside(state.name, number);
    if (PlaceUnder(state, name, false)) {
      state.placedAs = name;
      return true;
    }
    if (errno != EEXIST) return false;  // the folder takes no name at all
  }
  return false;
}

// Where the folder is now: it may have been renamed during the copy. Its
// old place where the system cannot tell.
std::string FolderNow(const ImageState& state) {
  char buffer[PATH_MAX];
  const std::string self = "/proc/self/fd/" + std::to_string(state.folder);
  const ssize_t n = ::readlink(self.c_str(), buffer, sizeof buffer);
  return n > 0 && static_cast<std::size_t>(n) < sizeof buffer
             ? std::string(buffer, static_cast<std::size_t>(n))
             : state.folderAt;
}

// The path of `name` in the folder as it stands now; the path as given
// while that is where the image is.
std::string PathNow(const ImageState& state, const std::string& name) {
  const std::string folder = FolderNow(state);
  if (name == state.name && folder == state.folderAt) return state.path;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

ImageHandle CreateImageFile(const std::string& path, const std::vector<FileIdentity>& refused,
                            const std::optional<FileIdentity>& replaces) {
  // Looked at before anything is opened: opening a disk for writing makes
  // udev read its partition table again when it is closed.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return kInvalidImage;
  } else if (!S_ISLNK(st.st_mode) || ::stat(path.c_str(), &st) == 0) {
    // A link is replaced by the image, never written through; one that
    // points at a volume or a device is refused all the same, since that is
    // what its name stands for.
    if (IsRefused(st, refused)) {
      errno = EINVAL;
      return kInvalidImage;
    }
  }
  const std::size_t slash = path.rfind('/');
  ImageState state;
  state.name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (state.name.empty() || state.name == "." || state.name == "..") {
    errno = EISDIR;
    return kInvalidImage;
  }
  state.folder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (state.folder < 0) return kInvalidImage;
  state.path = path;
  state.replaces = replaces;
  state.folderAt = folder;
  state.folderAt = FolderNow(state);
  // A file of no name needs /proc to be given one later.
  if (::access("/proc/self/fd", X_OK) == 0)
    state.fd = ::openat(state.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (state.fd < 0 && (state.fd = CreatePartial(state.folder, state.name, state.partial)) < 0) {
    const int saved = errno;
    ::close(state.folder);
    errno = saved;
    return kInvalidImage;
  }
  // 0600 whatever a default ACL of the folder would give; file systems
  // without modes (FAT through FUSE) refuse to be asked, and that is fine.
  ::fchmod(state.fd, 0600);
  if (::fstat(state.fd, &st) != 0) {
    const int saved = errno;
    if (!state.partial.empty()) ::unlinkat(state.folder, state.partial.c_str(), 0);
    ::close(state.fd);
    ::close(state.folder);
    errno = saved;
    return kInvalidImage;
  }
  state.identity = FileIdentity{st.st_dev, st.st_ino};
  static ImageHandle next = 0;
  const ImageHandle image = ++next;
  Images()[image] = std::move(state);
  return image;
}

bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size) {
  ImageState* found = StateOf(image);
  if (found == nullptr || found->closed) {
    errno = EBADF;
    return false;
  }
  ImageState& state = *found;
  state.synced = false;
  if (IsZeroBlock(data, size)) {
    // Left as a hole: it reads back as zeros and takes no room where the
    // file system has holes; elsewhere the file system writes the zeros.
    if (::lseek(state.fd, size, SEEK_CUR) < 0) return false;
  } else {
    const char* p = static_cast<const char*>(data);
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(state.fd, p + done, size - done);
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
  if (!WriteBehind(state)) {
    // An earlier range did not reach the disk: this block is not counted
    // either, so that the image ends where the keep prompt says.
    CutImageFileBack(image, size);
    return false;
  }
  return true;
}

void CutImageFileBack(ImageHandle image, std::uint32_t bytes) {
  ImageState* state = StateOf(image);
  if (bytes == 0 || state == nullptr || state->fd < 0) return;
  const int saved = errno;
  const off_t cut = state->position - static_cast<off_t>(bytes);
  // A file that ends in skipped zeros may already be shorter than the cut;
  // it is given its length when it is flushed or closed.
  struct stat st {};
  if (cut >= 0 && (::ftruncate(state->fd, cut) == 0 || (::fstat(state->fd, &st) == 0 && st.st_size <= cut)) &&
      ::lseek(state->fd, cut, SEEK_SET) >= 0) {
    state->position = cut;
    state->started = std::min(state->started, state->position);
    state->waited = std::min(state->waited, state->started);
  }
  errno = saved;
}

bool FlushImageFile(ImageHandle image, std::int64_t length) {
  ImageState* state = StateOf(image);
  if (state == nullptr || state->fd < 0) {
    errno = EBADF;
    return false;
  }
  if (!SetFullLength(*state) || !SyncData(state->fd)) return false;
  // The size the file system keeps, not the one the program thinks it
  // wrote: one that cannot hold the file (FAT's 4 GiB) may say yes to every
  // write and still keep less.
  struct stat st {};
  if (::fstat(state->fd, &st) != 0) return false;
  if (st.st_size != length || state->position != length) {
    errno = EFBIG;
    return false;
  }
  state->synced = true;
  // All of it is clean now; the last ranges need not stay in memory.
  ::posix_fadvise(state->fd, 0, 0, POSIX_FADV_DONTNEED);
  return true;
}

bool KeepImageFile(ImageHandle image, bool beside, std::string& keptPath) {
  keptPath.clear();
  ImageState* state = StateOf(image);
  if (state == nullptr) {
    errno = EBADF;
    return false;
  }
  if (!state->placed) {
    // The data before the name: a power cut must not leave a name that
    // stands for less than was kept. A failed sync is no reason to refuse
    // what the user keeps; the success road has checked its own.
    if (!state->synced && state->fd >= 0) SyncData(state->fd);
    state->placed = PlaceImage(*state, beside);
  }
  // The folder holds the new name only once it is synced.
  state->kept = state->placed && ::fsync(state->folder) == 0 && NamesImage(*state, state->placedAs);
  const bool kept = state->kept;
  if (kept)
    keptPath = PathNow(*state, state->placedAs);
  else if (state->closed && beside && !state->partial.empty())
    keptPath = PathNow(*state, state->partial);
  if (state->closed) {
    // A partial file that could take no name stays under its own where the
    // user wanted the data (its name says what it is); one that was to take
    // the name only where nothing stood goes.
    if (kept || beside)
      Release(image);
    else
      DeleteImageFile(image);
  }
  return kept;
}

bool CloseImageFile(ImageHandle image) {
  ImageState* state = StateOf(image);
  if (state == nullptr) return false;
  if (state->closed) return true;
  state->closed = true;
  // The keep prompt names the whole count, skipped zeros at the end included.
  const bool lengthSet = SetFullLength(*state);
  // Whatever is already written goes from the cache; the rest is written
  // back in its own time, so an abort does not wait for the disk.
  ::posix_fadvise(state->fd, 0, 0, POSIX_FADV_DONTNEED);
  if (state->kept) {
    // A failed close can report a delayed write error (NFS, quota); the fd
    // is released either way, so it is never retried, but the handle stays
    // for the user's answer: keep it, or take it off the name again.
    const bool closed = ::close(state->fd) == 0;
    state->fd = -1;
    if (lengthSet && closed) Release(image);
    return lengthSet && closed;
  }
  // A file of no name lives only as long as its descriptor, which is kept
  // until the image is kept or thrown away; a partial file has a name.
  if (!state->partial.empty()) {
    const bool closed = ::close(state->fd) == 0;
    state->fd = -1;
    return lengthSet && closed;
  }
  return lengthSet;
}

bool DeleteImageFile(ImageHandle image) {
  ImageState* state = StateOf(image);
  if (state == nullptr) return false;
  bool ok = true;
  if (state->placed) {
    ok = NamesImage(*state, state->placedAs) && ::unlinkat(state->folder, state->placedAs.c_str(), 0) == 0;
  } else if (!state->partial.empty()) {
    ok = ::unlinkat(state->folder, state->partial.c_str(), 0) == 0;
  }
  Release(image);
  return ok;
}

bool ImageFileIsHeld(ImageHandle image) { return StateOf(image) != nullptr; }

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
