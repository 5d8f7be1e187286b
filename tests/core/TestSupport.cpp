#include "TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorkan::test {

PromptResult RecordingHost::ShowPrompt(const std::string& text, PromptKind kind, PromptButtons buttons) {
  prompts.push_back({text, kind, buttons});
  if (answers.empty()) return defaultAnswer;
  const PromptResult r = answers.front();
  answers.pop_front();
  return r;
}

void RecordingHost::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                     const std::string& doneText, const std::string& freeText,
                                     std::int32_t maximum, std::int32_t position, bool show) {
  progress.push_back({caption, fileName, doneText, freeText, maximum, position, show});
  if (!show) return;
  ProcessPendingEvents();  // the window pumps before it puts the values on
  if (maximum < 0) negativeMaximumSeen = true;
  NullCopyJobHost::ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
  percents.push_back(GetPercentComplete());
}

void RecordingHost::ProcessPendingEvents() {
  ++pumps;
  if (onPump) onPump(*this, pumps);
}

std::vector<ProgressCall> RecordingHost::Shown() const {
  std::vector<ProgressCall> shown;
  for (const auto& p : progress)
    if (p.show) shown.push_back(p);
  return shown;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/vorkan-test-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() { Run("rm -rf '" + path_ + "'"); }

int OpenDescriptorCount() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count - 1;  // the directory stream's own descriptor
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

int Run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RunOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

bool IsRoot() { return ::geteuid() == 0; }

}  // namespace vorkan::test
