#include "Command.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace vorkan::test {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out.push_back(c);
  }
  return out + "'";
}

CommandResult Run(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(("{ " + command + "\n} 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

bool HaveTool(const std::string& tool) { return Run("command -v " + tool + " >/dev/null").status == 0; }

bool IsRoot() { return ::geteuid() == 0; }

}  // namespace vorkan::test
