// SPDX-License-Identifier: GPL-3.0-or-later
#include "Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

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

std::int64_t SizeOfImageBeingWritten(const std::string& target, const std::string& process) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = target.substr(0, slash);
  const std::string partial = folder + "/." + target.substr(slash + 1) + ".part";
  const std::string fds = "/proc/" + process + "/fd/";
  for (const std::string& fd : ListFolder(fds)) {
    char link[4096];
    const ssize_t n = ::readlink((fds + fd).c_str(), link, sizeof link - 1);
    if (n <= 0) continue;
    const std::string name(link, static_cast<std::size_t>(n));
    const bool unnamed = name.rfind(folder + "/#", 0) == 0 && name.find(" (deleted)") != std::string::npos;
    if (!unnamed && name != partial) continue;
    struct stat st {};
    if (::stat((fds + fd).c_str(), &st) == 0) return st.st_size;
  }
  return -1;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d))
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
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

std::int64_t CachedBytes(const std::string& path) {
  const std::int64_t size = SizeOf(path);
  if (size <= 0) return size;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  // Mapping reads nothing; mincore only looks at the cache.
  void* map = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return -1;
  const long page = ::sysconf(_SC_PAGESIZE);
  std::vector<unsigned char> resident(static_cast<std::size_t>((size + page - 1) / page));
  std::int64_t cached = -1;
  if (::mincore(map, static_cast<std::size_t>(size), resident.data()) == 0) {
    cached = 0;
    for (unsigned char r : resident) cached += (r & 1) * page;
  }
  ::munmap(map, static_cast<std::size_t>(size));
  return cached;
}

std::int64_t AllocatedBytes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
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
