// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalAuthAgent.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

extern char** environ;

namespace vorkan {

namespace {
constexpr int kRegisterWaitMs = 5000;
}

TerminalAuthAgent::TerminalAuthAgent() {
  int notify[2];
  if (::pipe2(notify, O_CLOEXEC) != 0) return;
  // The agent closes its end of the pipe once it has registered; only that
  // end is handed on to it.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, notify[1], 3);
  const std::string process = std::to_string(::getpid());
  const char* argv[] = {"pkttyagent",  "--process", process.c_str(), "--fallback",
                        "--notify-fd", "3",         nullptr};
  pid_t pid = -1;
  const int spawned =
      ::posix_spawnp(&pid, "pkttyagent", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(notify[1]);
  if (spawned != 0) {
    ::close(notify[0]);
    return;
  }
  pid_ = pid;
  pollfd registered{notify[0], POLLIN, 0};
  while (::poll(&registered, 1, kRegisterWaitMs) < 0 && errno == EINTR) {
  }
  ::close(notify[0]);
}

TerminalAuthAgent::~TerminalAuthAgent() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace vorkan
