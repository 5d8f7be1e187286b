// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace vorkan::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free, so the handler may touch it.
std::atomic<int> received{0};
std::atomic<int> wakeDescriptor{-1};

void Note(int signal) {
  const int saved = errno;
  int none = 0;
  received.compare_exchange_strong(none, signal);
  const int fd = wakeDescriptor.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) wakeDescriptor.store(pipe_[1]);
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait the signal interrupts looks at it at once.
  action.sa_flags = SA_RESETHAND;
  for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
  for (const int signal : kSignals) std::signal(signal, SIG_DFL);
  wakeDescriptor.store(-1);
  for (const int fd : pipe_)
    if (fd >= 0) ::close(fd);
}

int StopSignals::Received() { return received.load(); }

}  // namespace vorkan::cli
