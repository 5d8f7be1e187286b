// SPDX-License-Identifier: GPL-3.0-or-later
#include "VerifyCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "ExitStatus.h"
#include "ReadBack.h"
#include "SourceLetter.h"
#include "UDisksOpener.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::cli {
namespace {

int Fail(const std::string& text) {
  std::fprintf(stderr, "vorkan: %s\n", text.c_str());
  return kFailed;
}

// The digest of the first line of a sha256sum file; empty when it has none.
std::string DigestInFile(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return {};
  if (!line.empty() && line[0] == '\\') line.erase(0, 1);
  const std::string hex = line.substr(0, 64);
  const bool valid = hex.size() == 64 && std::all_of(hex.begin(), hex.end(), [](char c) {
                       return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
                     });
  if (!valid) return {};
  std::string lower = hex;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'F' ? c + 32 : c; });
  return lower;
}

int AgainstChecksumFile(const std::string& image) {
  const std::string expected = DigestInFile(image + ".sha256");
  if (expected.empty()) return Fail("no SHA-256 digest in " + image + ".sha256");
  std::string actual;
  if (!Sha256FromDisk(image, actual)) return Fail(image + ": " + std::strerror(errno));
  std::printf("%s: %s\n", image.c_str(), actual == expected ? "OK" : "FAILED");
  return actual == expected ? kSuccess : kDifferent;
}

struct FreeBuffer {
  void operator()(char* p) const { std::free(p); }
};

// One stream of blocks, compared a span at a time with another.
struct Stream {
  std::unique_ptr<char, FreeBuffer> data{static_cast<char*>(std::aligned_alloc(4096, CopyBlockSize))};
  std::size_t length = 0, position = 0;
  bool ended = false;
  std::size_t Left() const { return length - position; }
};

int AgainstSource(const std::string& image, const std::string& source) {
  UDisksOpener opener;
  LinuxVolumeOps ops;
  ops.SetDeviceOpener(&opener);
  ops.SetInteractionAllowed(::isatty(STDIN_FILENO) == 1);
  const char letter = SourceLetter(ops, source);
  if (letter == 0) return kFailed;
  const int fd = OpenFromDisk(image);
  if (fd < 0) return Fail(image + ": " + std::strerror(errno));
  const VolumeHandle volume = ops.OpenVolume(letter);
  if (volume == kInvalidHandle) {
    ::close(fd);
    return Fail(source + " cannot be read");
  }
  Stream a, b;  // the source, the image
  std::int64_t offset = 0;
  int status = kSuccess;
  std::string verdict;
  for (;;) {
    if (a.Left() == 0 && !a.ended) {
      a.length = ops.ReadVolume(volume, a.data.get(), CopyBlockSize);
      a.position = 0;
      a.ended = a.length == 0;
    }
    if (b.Left() == 0 && !b.ended) {
      ssize_t n;
      do {
        n = ::read(fd, b.data.get(), CopyBlockSize);
      } while (n < 0 && errno == EINTR);
      if (n < 0) {
        status = Fail(image + ": " + std::strerror(errno));
        break;
      }
      b.length = static_cast<std::size_t>(n);
      b.position = 0;
      b.ended = n == 0;
    }
    if (a.ended || b.ended) {
      if (a.ended && b.ended) {
        verdict = "the same as " + source + " (" + std::to_string(offset) + " bytes)";
      } else {
        status = kDifferent;
        verdict = (a.ended ? "goes on past the end of " : "ends before ") + source + ", at byte " +
                  std::to_string(offset);
      }
      break;
    }
    const std::size_t span = std::min(a.Left(), b.Left());
    const char* x = a.data.get() + a.position;
    const char* y = b.data.get() + b.position;
    if (std::memcmp(x, y, span) != 0) {
      const std::size_t at = static_cast<std::size_t>(std::mismatch(x, x + span, y).first - x);
      status = kDifferent;
      verdict =
          "differs from " + source + " at byte " + std::to_string(offset + static_cast<std::int64_t>(at));
      break;
    }
    a.position += span;
    b.position += span;
    offset += static_cast<std::int64_t>(span);
  }
  ops.CloseVolume(volume);
  ::close(fd);
  if (!verdict.empty()) std::printf("%s: %s\n", image.c_str(), verdict.c_str());
  return status;
}

}  // namespace

int RunVerify(const std::string& image, const std::string& source) {
  return source.empty() ? AgainstChecksumFile(image) : AgainstSource(image, source);
}

}  // namespace vorkan::cli
