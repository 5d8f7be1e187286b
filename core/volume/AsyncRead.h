// SPDX-License-Identifier: GPL-3.0-or-later
// A read of a volume that the event loop can wait on: it goes to the kernel
// through io_uring and its end is signalled on an eventfd, so the windows go
// on painting and answering while a slow or failing device takes seconds to
// deliver one block. Where the kernel refuses io_uring (a sysctl, a
// sandbox's system-call filter), nothing is asynchronous and the caller
// reads the plain blocking way.
//
// A device that makes its reads wait is read ahead: once a whole block has
// been delivered, the next one is asked for into a buffer of this class's
// own, so that the device works while the caller writes the block away; the
// caller's next read of that size takes it over. The caller sees the same
// blocks in the same order, and a read ahead that fails delivers 0 as the
// read itself would have. A device that answers at once (its data cached) is
// not read ahead: there is nothing to win, and the extra copy would cost.
//
// Nothing ever waits for a read nobody will get (a close, the program's
// end): such a read keeps its ring, eventfd and buffer until it has ended,
// which the process's end may never see; the kernel never writes into freed
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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
  // Whether slow devices are read ahead (on unless turned off, for the
  // measure of what it brings).
  static void SetReadAhead(bool on);

  // Starts reading up to `size` bytes from where `fd` stands; false when it
  // cannot be done asynchronously (the caller then reads as it always did).
  bool Start(int fd, void* buffer, std::uint32_t size);
  bool Pending() const { return pending_; }
  // A descriptor that becomes readable when the read has ended; -1 when
  // there is nothing to wait for (none pending, or it has ended already, as
  // a read of cached data does while it is started).
  int WaitDescriptor();
  // The bytes delivered, 0 at the end and on an error, waiting for them when
  // the read has not ended yet. A read ahead may start.
  std::uint32_t Finish();
  // Waits for anything still in flight on `fd` (any descriptor when -1) and
  // forgets it, and puts the descriptor where the reads delivered so far
  // leave it, for a plain read or a close.
  void Drop(int fd = -1);
  // For a close: a read ahead on `fd` is left to end on its own (the kernel
  // holds the file, and the buffer stays until it has ended), so an abort
  // never waits for a block nobody will get; a read of the caller's is
  // waited for.
  void Abandon(int fd);
  // For a program that ends while the caller's read waits: the read is left
  // to end on its own, and `buffer` (the caller's, from std::malloc or
  // std::aligned_alloc) is this class's from now on, freed once no read
  // fills it any more.
  void AbandonPending(void* buffer);

 private:
  bool Ready();
  bool Ended();
  bool Submit(int fd, void* buffer, std::uint32_t size, long long offset);
  // The completion of what is in flight: its result, or 0 on an error.
  int Complete();
  void StartAhead();

  // What is in flight is left to end on its own with `buffer`, the one it
  // fills; the next read makes a ring of its own.
  void Leave(char* buffer);

  struct FreeBuffer {
    void operator()(char* p) const;
  };

  io_uring* ring_ = nullptr;
  int event_ = -1;
  int fd_ = -1;
  long long offset_ = 0;    // where the read in flight starts
  std::uint32_t size_ = 0;  // what it asks for
  void* buffer_ = nullptr;  // the caller's buffer
  bool inFlight_ = false;   // a read of the caller's or ahead is out
  bool pending_ = false;    // the caller's read, started and not finished
  bool ahead_ = false;      // what is in flight is a read ahead
  bool slow_ = false;       // the last read had to wait for the device
  // Reads go at explicit offsets: where posFd_ stands is kept here, and
  // only given to the descriptor when someone else is to use it (Drop).
  int posFd_ = -1;
  long long position_ = 0;
  std::unique_ptr<char, FreeBuffer> aheadBuffer_;
  std::size_t aheadRoom_ = 0;
  bool failed_ = false;  // the ring could not be made: read the blocking way
};

}  // namespace vorkan
