#include "volume/AsyncRead.h"

#include <liburing.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vorkan {
namespace {

std::atomic<bool> refused{false};

}  // namespace

void AsyncRead::Refuse(bool value) { refused = value; }

AsyncRead::AsyncRead() = default;

AsyncRead::~AsyncRead() {
  if (pending_) Finish();
  if (ring_ != nullptr) {
    io_uring_queue_exit(ring_);
    delete ring_;
  }
  if (event_ >= 0) ::close(event_);
}

// The ring is made when the first read wants it, and only once.
bool AsyncRead::Ready() {
  if (ring_ != nullptr) return true;
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

bool AsyncRead::Start(int fd, void* buffer, std::uint32_t size) {
  if (pending_ || refused || !Ready()) return false;
  // At an explicit offset, where the descriptor stands: a device that
  // cannot tell (a pipe) is read the blocking way.
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at < 0) return false;
  io_uring_sqe* sqe = io_uring_get_sqe(ring_);
  if (sqe == nullptr) return false;
  io_uring_prep_read(sqe, fd, buffer, size, static_cast<__u64>(at));
  if (io_uring_submit(ring_) != 1) return false;
  fd_ = fd;
  offset_ = at;
  pending_ = true;
  return true;
}

std::uint32_t AsyncRead::Finish() {
  if (!pending_) return 0;
  io_uring_cqe* cqe = nullptr;
  int rc;
  do {
    rc = io_uring_wait_cqe(ring_, &cqe);
  } while (rc == -EINTR);
  pending_ = false;
  eventfd_t drained;
  ::eventfd_read(event_, &drained);
  if (rc != 0 || cqe == nullptr) return 0;
  const int result = cqe->res;
  io_uring_cqe_seen(ring_, cqe);
  if (result <= 0) return 0;
  ::lseek(fd_, offset_ + result, SEEK_SET);
  return static_cast<std::uint32_t>(result);
}

}  // namespace vorkan
