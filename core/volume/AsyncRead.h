// A read of a volume that the event loop can wait on: it goes to the kernel
// through io_uring and its end is signalled on an eventfd, so the windows go
// on painting and answering while a slow or failing device takes seconds to
// deliver one block. Where the kernel refuses io_uring (a sysctl, a
// sandbox's system-call filter), nothing is asynchronous and the caller
// reads the plain blocking way.
#pragma once

#include <cstdint>

struct io_uring;

namespace vorkan {

class AsyncRead {
 public:
  AsyncRead();
  ~AsyncRead();
  AsyncRead(const AsyncRead&) = delete;
  AsyncRead& operator=(const AsyncRead&) = delete;

  // Refuses io_uring from now on, as a kernel that does not allow it would
  // (tests of the blocking road).
  static void Refuse(bool refused);

  // Starts reading up to `size` bytes from where `fd` stands; false when it
  // cannot be done asynchronously (the caller then reads as it always did).
  bool Start(int fd, void* buffer, std::uint32_t size);
  bool Pending() const { return pending_; }
  // Readable once the read has ended; -1 when none is pending.
  int WaitDescriptor() const { return pending_ ? event_ : -1; }
  // The bytes delivered, 0 at the end and on an error, waiting for them when
  // the read has not ended yet; the descriptor then stands past them, as
  // after a plain read.
  std::uint32_t Finish();

 private:
  bool Ready();

  io_uring* ring_ = nullptr;
  int event_ = -1;
  int fd_ = -1;
  long long offset_ = 0;
  bool pending_ = false;
  bool failed_ = false;  // the ring could not be made: read the blocking way
};

}  // namespace vorkan
