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

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "volume/LoopBackingFiles.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// 32 blocks: few enough system calls per gigabyte not to show, enough in
// flight to keep a disk busy while the next range is filled, little memory.
constexpr std::int64_t ImageWriteBehind = 8 << 20;

// Makes a new image for `path`, empty and private (mode 0600: an image holds
// every file of its volume, whoever owned them): a file of no name in the
// path's folder where the file system has them, else a hidden partial file
// there (".NAME.part"). Nothing under `path` itself is touched. kInvalidImage
// when the folder is missing or not writable, or when `path` names anything
// but a regular file, or is one of `refused` (by any link); such a target is
// looked at with stat only and not opened. `replaces` is the one file the
// image may take the place of when it is kept (the user agreed to replace
// it); a symbolic link there is replaced itself, what it points to is never
// written.
ImageHandle CreateImageFile(const std::string& path, const std::vector<FileIdentity>& refused,
                            const std::optional<FileIdentity>& replaces);
// Writes all `size` bytes, resuming after short writes and EINTR, or none:
// on a reported error (errno is left as the system set it) the part that
// reached the file is cut off again, so the image holds whole appends only.
// A write-back error the system reports for an earlier range fails the
// append as well.
bool AppendImageFile(ImageHandle image, const void* data, std::uint32_t size);
// Cuts the last `bytes` appended bytes off the image again; errno is kept.
void CutImageFileBack(ImageHandle image, std::uint32_t bytes);
// Gives the image its full length, waits until all of it is on disk and
// checks that the file holds exactly `length` bytes; false when the system
// reports an error for any of it, or the file holds anything else.
bool FlushImageFile(ImageHandle image, std::int64_t length);
// Puts the image under a name in one step. With `beside`: under its path
// where nothing stands there or only the file it may replace, else under the
// first free "NAME (N).EXT" beside it; without: only where nothing stands
// under its path. The data goes to the disk first, the folder after the
// name is set, and the name is checked to be the image. `keptPath` tells
// where the image is: the path as given, or the name it took in the
// folder's current place (the folder may have been renamed meanwhile); a
// partial file that could take no name stays under its own, which is then
// named, though false is returned. After CloseImageFile the handle is
// released whatever the outcome; an image kept only where nothing stood is
// thrown away when it could not be.
bool KeepImageFile(ImageHandle image, bool beside, std::string& keptPath);
// Gives the image its full length and ends writing without waiting for the
// disk. A kept image is released; one not kept yet waits for KeepImageFile
// or DeleteImageFile.
bool CloseImageFile(ImageHandle image);
// Throws the image away and releases the handle: a file of no name vanishes,
// a partial file is removed, a kept image is taken off its path again
// (only while the path still names it).
bool DeleteImageFile(ImageHandle image);
// Whether the handle is still held (tests).
bool ImageFileIsHeld(ImageHandle image);

// The name an image takes beside `name` when that is taken: "NAME (N).EXT",
// its stem cut at a character boundary so that it fits 255 bytes.
std::string NameBeside(const std::string& name, int number);
// `name` cut to at most `bytes`, never inside a UTF-8 character.
std::string CutAtCharacter(const std::string& name, std::size_t bytes);

// Whether all `size` bytes at `data` are zero.
bool IsZeroBlock(const void* data, std::uint32_t size);

}  // namespace vorkan
