// SPDX-License-Identifier: GPL-3.0-or-later
// The image file on a real file system, shared by every VolumeOps
// implementation: the target must be a regular file, since a path naming a
// device, a pipe or a socket would otherwise be overwritten or block, and it
// must not be a file that holds a volume.
//
// The image is written behind: every ImageWriteBehind bytes appended start
// that range's write-out, and the range before it is waited for and dropped
// from the page cache, so a copy holds about two ranges of the image in
// memory and never makes the system write back gigabytes at once.
// Blocks of zeros are skipped over and left as holes; the file is given its
// full length when it is flushed or closed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "volume/LoopBackingFiles.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// 32 blocks: few enough system calls per gigabyte not to show, enough in
// flight to keep a disk busy while the next range is filled, little memory.
constexpr std::int64_t ImageWriteBehind = 8 << 20;

// One image file, with its descriptors, its names and what the write-behind
// has done with it. The program appends from its one thread, so it needs no
// lock. Moving it leaves nothing behind to close; destroying it closes its
// descriptors and leaves the names as they stand (a file of no name goes
// with its descriptor).
class ImageFile {
 public:
  // Makes a new image for `path`, empty and private (mode 0600: an image
  // holds every file of its volume, whoever owned them): a file of no name
  // in the path's folder where the file system has them, else a hidden
  // partial file there (".NAME.part"). Nothing under `path` itself is
  // touched. Nothing (errno set) when the folder is missing or not writable,
  // or when `path` names anything but a regular file, or is one of `refused`
  // (by any link); such a target is looked at with stat only and not opened.
  // `replaces` is the one file the image may take the place of when it is
  // kept (the user agreed to replace it); a symbolic link there is replaced
  // itself, what it points to is never written.
  static std::optional<ImageFile> Create(const std::string& path, const std::vector<FileIdentity>& refused,
                                         const std::optional<FileIdentity>& replaces);

  ImageFile(ImageFile&& other) noexcept;
  ImageFile& operator=(ImageFile&& other) noexcept;
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;
  ~ImageFile();

  // Writes all `size` bytes, resuming after short writes and EINTR, or none:
  // on a reported error (errno is left as the system set it) the part that
  // reached the file is cut off again, so the image holds whole appends
  // only. A write-back error the system reports for an earlier range fails
  // the append as well.
  bool Append(const void* data, std::uint32_t size);
  // Cuts the last `bytes` appended bytes off the image again; errno is kept.
  void CutBack(std::uint32_t bytes);
  // Gives the image its full length, waits until all of it is on disk and
  // checks that the file holds exactly `length` bytes; false when the system
  // reports an error for any of it, or the file holds anything else.
  bool Flush(std::int64_t length);
  // Puts the image under a name in one step. With `beside`: under its path
  // where nothing stands there or only the file it may replace, else under
  // the first free "NAME (N).EXT" beside it; without: only where nothing
  // stands under its path. The data goes to the disk first, the folder
  // after the name is set, and the name is checked to be the image.
  // `keptPath` tells where the image is: the path as given, or the name it
  // took in the folder's current place (the folder may have been renamed
  // meanwhile); a partial file that could take no name stays under its own,
  // which is then named, though false is returned. After Close the image is
  // done with whatever the outcome; one kept only where nothing stood is
  // thrown away when it could not be.
  bool Keep(bool beside, std::string& keptPath);
  // Gives the image its full length and ends writing without waiting for
  // the disk. A kept image is done with; one not kept yet waits for Keep or
  // Delete.
  bool Close();
  // Throws the image away, and it is done with: a file of no name vanishes,
  // a partial file is removed, a kept image is taken off its path again
  // (only while the path still names it).
  bool Delete();
  // Nothing more is to be done with it: its descriptors are closed, and its
  // holder lets it go.
  bool Done() const { return done_; }

 private:
  ImageFile() = default;

  // Errors that say the data did not reach the disk are write failures; any
  // other refusal of sync_file_range turns write-behind off.
  bool Refused();
  bool WriteBehind();
  bool SetFullLength() const;
  bool LinkUnnamed(std::string& partial) const;
  bool NamesImage(const std::string& name) const;
  bool NamesReplaceable(const std::string& name) const;
  bool NameTaken(const std::string& name) const;
  bool MoveOntoFree(const std::string& from, const std::string& name) const;
  bool PlaceUnder(const std::string& name, bool replacing);
  bool PlaceImage(bool beside);
  std::string FolderNow() const;
  std::string PathNow(const std::string& name) const;
  // Closes the descriptors: the image is done with.
  void Release();

  int fd_ = -1;           // -1 once a partial file is closed
  int folder_ = -1;       // the target's folder, for naming and syncing
  std::string path_;      // as given
  std::string folderAt_;  // where the folder stood when the image was made
  std::string name_;      // the chosen name in that folder
  std::string partial_;   // the hidden name written under; empty: no name at all
  std::string placedAs_;  // the name the image was put under
  FileIdentity identity_;
  std::optional<FileIdentity> replaces_;  // the one file it may take the place of
  off_t position_ = 0;                    // the end of what was appended, holes included
  off_t started_ = 0;                     // start of the range not yet sent to the disk
  off_t waited_ = 0;                      // everything before is on disk and out of the cache
  bool writeBehind_ = true;
  bool synced_ = false;  // on disk as it stands
  bool closed_ = false;
  bool placed_ = false;  // the chosen name was set to it
  bool kept_ = false;    // and that name was found to be it, on disk
  bool done_ = false;
};

// The open image files of one set of volume operations, by handle, for the
// VolumeOps image calls: each does what the ImageFile call of its name does,
// and a handle goes as soon as its image is done with. An unknown handle
// fails with EBADF where the call reports errors.
class ImageFiles {
 public:
  ImageFiles() = default;
  ImageFiles(const ImageFiles&) = delete;
  ImageFiles& operator=(const ImageFiles&) = delete;

  // kInvalidImage when the image could not be made (errno set).
  ImageHandle Create(const std::string& path, const std::vector<FileIdentity>& refused,
                     const std::optional<FileIdentity>& replaces);
  bool Append(ImageHandle image, const void* data, std::uint32_t size);
  void CutBack(ImageHandle image, std::uint32_t bytes);
  bool Flush(ImageHandle image, std::int64_t length);
  bool Keep(ImageHandle image, bool beside, std::string& keptPath);
  bool Close(ImageHandle image);
  bool Delete(ImageHandle image);
  // Whether the handle is still held (tests).
  bool IsHeld(ImageHandle image) const { return files_.count(image) != 0; }

 private:
  ImageFile* Find(ImageHandle image);
  // Lets the image go once it is done with.
  void Settle(ImageHandle image);

  std::map<ImageHandle, ImageFile> files_;
  ImageHandle last_ = 0;
};

// The name an image takes beside `name` when that is taken: "NAME (N).EXT",
// its stem cut at a character boundary so that it fits 255 bytes.
std::string NameBeside(const std::string& name, int number);
// `name` cut to at most `bytes`, never inside a UTF-8 character.
std::string CutAtCharacter(const std::string& name, std::size_t bytes);

// Whether all `size` bytes at `data` are zero.
bool IsZeroBlock(const void* data, std::uint32_t size);

}  // namespace vorkan
