#include "Files.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Command.h"

namespace vorkan::test {

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string PatternBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

std::int64_t SizeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  if (!S_ISBLK(st.st_mode)) return st.st_size;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::uint64_t size = 0;
  const bool ok = ::ioctl(fd, BLKGETSIZE64, &size) == 0;
  ::close(fd);
  return ok ? static_cast<std::int64_t>(size) : -1;
}

namespace {

std::string DigestOf(const std::string& sha256sumOutput) {
  return sha256sumOutput.find(' ') == 64 ? sha256sumOutput.substr(0, 64) : std::string();
}

}  // namespace

std::string Sha256(const std::string& path) {
  return DigestOf(Run("sha256sum " + Quote(path) + " 2>/dev/null").output);
}

std::string Sha256OfPrefix(const std::string& path, std::int64_t bytes) {
  return DigestOf(
      Run("head -c " + std::to_string(bytes) + " " + Quote(path) + " 2>/dev/null | sha256sum").output);
}

}  // namespace vorkan::test
