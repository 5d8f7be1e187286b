// SPDX-License-Identifier: GPL-3.0-or-later
#include "volume/AsyncRead.h"

#include <liburing.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace vorkan {
namespace {

std::atomic<bool> refused{false};
std::atomic<bool> readAhead{true};

// A ring whose read nobody will get, with the buffer that read fills, until
// the read has ended. They are the process's, not an instance's: they
// outlive the instance that left them, and what is still out at the end is
// left for the process's end to reclaim.
struct Abandoned {
  io_uring* ring;
  int event;
  char* buffer;
};
std::mutex abandonedMutex;
std::vector<Abandoned>& AbandonedReads() {
  static auto* reads = new std::vector<Abandoned>;  // never destroyed: a read may outlive everything
  return *reads;
}

// Frees those whose read has ended.
void Reap() {
  const std::lock_guard<std::mutex> lock(abandonedMutex);
  std::vector<Abandoned>& reads = AbandonedReads();
  for (auto it = reads.begin(); it != reads.end();) {
    io_uring_cqe* cqe = nullptr;
    if (io_uring_peek_cqe(it->ring, &cqe) != 0 || cqe == nullptr) {
      ++it;
      continue;
    }
    io_uring_queue_exit(it->ring);
    delete it->ring;
    ::close(it->event);
    std::free(it->buffer);
    it = reads.erase(it);
  }
}

}  // namespace

void AsyncRead::Refuse(bool value) { refused = value; }

void AsyncRead::SetReadAhead(bool on) { readAhead = on; }

void AsyncRead::FreeBuffer::operator()(char* p) const { std::free(p); }

AsyncRead::AsyncRead() = default;

AsyncRead::~AsyncRead() {
  // Nobody is left to take a read still out: it is not waited for.
  if (inFlight_) Leave(ahead_ ? aheadBuffer_.release() : nullptr);
  if (ring_ != nullptr) {
    io_uring_queue_exit(ring_);
    delete ring_;
  }
  if (event_ >= 0) ::close(event_);
}

void AsyncRead::Abandon(int fd) {
  if (!inFlight_ || !ahead_ || pending_ || fd != fd_) return;
  Leave(aheadBuffer_.release());
}

void AsyncRead::AbandonPending(void* buffer) {
  if (!pending_) {
    std::free(buffer);
    return;
  }
  // A read taken over from a read ahead fills this class's buffer, not the caller's.
  char* filled = static_cast<char*>(buffer);
  if (ahead_) {
    std::free(buffer);
    filled = aheadBuffer_.release();
  }
  pending_ = false;
  Leave(filled);
}

void AsyncRead::Leave(char* buffer) {
  {
    const std::lock_guard<std::mutex> lock(abandonedMutex);
    AbandonedReads().push_back({ring_, event_, buffer});
  }
  ring_ = nullptr;
  event_ = -1;
  aheadRoom_ = 0;
  inFlight_ = false;
  ahead_ = false;
  if (posFd_ == fd_) posFd_ = -1;
}

// The ring is made when the first read wants it (again after an abandoned
// read ahead).
bool AsyncRead::Ready() {
  if (ring_ != nullptr) return !failed_;
  if (failed_ || refused) return false;
  auto* ring = new io_uring{};
  if (io_uring_queue_init(2, ring, 0) != 0) {
    delete ring;
    failed_ = true;
    return false;
  }
  event_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (event_ < 0 || io_uring_register_eventfd(ring, event_) != 0) {
    io_uring_queue_exit(ring);
    delete ring;
    if (event_ >= 0) ::close(event_);
    event_ = -1;
    failed_ = true;
    return false;
  }
  ring_ = ring;
  return true;
}

bool AsyncRead::Submit(int fd, void* buffer, std::uint32_t size, long long offset) {
  io_uring_sqe* sqe = io_uring_get_sqe(ring_);
  if (sqe == nullptr) return false;
  io_uring_prep_read(sqe, fd, buffer, size, static_cast<__u64>(offset));
  if (io_uring_submit(ring_) != 1) {
    // The request may still sit in the ring: it must never go out later,
    // into a buffer that is gone by then.
    failed_ = true;
    return false;
  }
  fd_ = fd;
  offset_ = offset;
  size_ = size;
  inFlight_ = true;
  // Ended during the submission: the data was at hand and nobody waited.
  slow_ = !Ended();
  return true;
}

// One read is out at a time: any completion is its own.
bool AsyncRead::Ended() {
  io_uring_cqe* cqe = nullptr;
  return io_uring_peek_cqe(ring_, &cqe) == 0 && cqe != nullptr;
}

int AsyncRead::WaitDescriptor() {
  if (!pending_ || Ended()) return -1;
  // The eventfd counts every completion, those nobody waited for too: it is
  // emptied only now, and the read looked at again, so that it is readable
  // exactly when this read ends. A fast copy, whose reads end while they are
  // started, never needs it.
  eventfd_t drained;
  ::eventfd_read(event_, &drained);
  return Ended() ? -1 : event_;
}

int AsyncRead::Complete() {
  io_uring_cqe* cqe = nullptr;
  int rc;
  do {
    rc = io_uring_wait_cqe(ring_, &cqe);
  } while (rc == -EINTR);
  inFlight_ = false;
  if (rc != 0 || cqe == nullptr) return 0;
  const int result = cqe->res;
  io_uring_cqe_seen(ring_, cqe);
  return result < 0 ? 0 : result;
}

bool AsyncRead::Start(int fd, void* buffer, std::uint32_t size) {
  Reap();
  if (pending_ || refused || !Ready()) return false;
  // At an explicit offset, where the descriptor stands: a device that
  // cannot tell (a pipe) is read the blocking way.
  if (posFd_ >= 0 && posFd_ != fd) Drop(posFd_);
  const long long at = fd == posFd_ ? position_ : ::lseek(fd, 0, SEEK_CUR);
  if (at < 0) return false;
  if (inFlight_) {
    if (ahead_ && fd == fd_ && size == size_ && at == offset_) {
      buffer_ = buffer;  // the read ahead is this read
      pending_ = true;
      return true;
    }
    Drop();
  }
  if (!Submit(fd, buffer, size, at)) return false;
  posFd_ = fd;
  position_ = at;
  buffer_ = buffer;
  ahead_ = false;
  pending_ = true;
  return true;
}

std::uint32_t AsyncRead::Finish() {
  if (!pending_) return 0;
  pending_ = false;
  const int result = Complete();
  const bool ahead = ahead_;
  ahead_ = false;
  if (result <= 0) return 0;
  if (ahead) std::memcpy(buffer_, aheadBuffer_.get(), static_cast<std::size_t>(result));
  position_ = offset_ + result;
  if (static_cast<std::uint32_t>(result) == size_) StartAhead();
  return static_cast<std::uint32_t>(result);
}

void AsyncRead::StartAhead() {
  if (!slow_ || !readAhead || failed_) return;
  const std::size_t room = (size_ + 4095u) / 4096u * 4096u;
  if (aheadRoom_ < room) {
    aheadBuffer_.reset(static_cast<char*>(std::aligned_alloc(4096, room)));
    aheadRoom_ = aheadBuffer_ ? room : 0;
    if (!aheadBuffer_) return;
  }
  if (Submit(fd_, aheadBuffer_.get(), size_, offset_ + size_)) ahead_ = true;
}

void AsyncRead::Drop(int fd) {
  if (inFlight_ && (fd < 0 || fd == fd_)) {
    Complete();
    pending_ = false;
    ahead_ = false;
  }
  if (posFd_ >= 0 && (fd < 0 || fd == posFd_)) {
    ::lseek(posFd_, position_, SEEK_SET);
    posFd_ = -1;
  }
}

}  // namespace vorkan
