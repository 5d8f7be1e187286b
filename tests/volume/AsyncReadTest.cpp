// SPDX-License-Identifier: GPL-3.0-or-later
// The two-part read of a slow volume (a loop device over faulty_fs, its
// reads held to a rate): the next block is read while the caller writes the last one
// away, and with read-ahead and without it delivers the same blocks in the
// same order, the short last one and then 0 at the end; a plain read between
// two goes on where the last one stopped; a close does not wait for a read
// ahead, the next read goes on beside it, the volume layer goes without
// waiting for what it left, and what that held goes at a read once it has
// ended; with io_uring refused it is the plain read.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "FaultyDevice.h"
#include "TestSupport.h"
#include "volume/AsyncRead.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

struct FreeBuffer {
  void operator()(char* p) const { std::free(p); }
};

TEST(AsyncRead, DeliversTheVolumeBlockByBlockWhateverTheRoad) {
  const std::string why = FaultyDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << "needs a slow device: " << why;
  TempDir dir;
  // Three whole blocks and a half: the last read is short.
  const std::string bytes = PatternBytes(3 * CopyBlockSize + CopyBlockSize / 2, 23);
  WriteFile(dir / "vol.img", bytes);
  // Two blocks a second, and no read-ahead of the kernel's: every read the
  // device is asked for takes a good part of a second.
  FaultyDevice source(dir / "vol.img", {.readRate = 2 * CopyBlockSize});
  ASSERT_TRUE(source.Ok()) << source.Error();
  ASSERT_EQ(test::Run("blockdev --setra 0 " + Quote(source.Device())).status, 0);
  std::unique_ptr<char, FreeBuffer> buffer(static_cast<char*>(std::aligned_alloc(4096, CopyBlockSize)));

  struct Row {
    const char* what;
    bool refused, readAhead;
    int plainAt;  // the block read the plain way, or -1
    int closeAt;  // the block after which the volume is closed, or -1
  };
  const Row rows[] = {
      {"read ahead", false, true, -1, -1},
      {"not read ahead", false, false, -1, -1},
      {"a plain read between", false, true, 2, -1},
      {"io_uring refused", true, true, -1, -1},
      {"closed with a read ahead out", false, true, -1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    AsyncRead::Refuse(row.refused);
    AsyncRead::SetReadAhead(row.readAhead);
    const int cached = ::open(source.Device().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(cached, 0);
    ::posix_fadvise(cached, 0, 0, POSIX_FADV_DONTNEED);
    ::close(cached);
    const int fdsBefore = OpenDescriptorCount();
    {
      LinuxVolumeOps ops;
      const VolumeHandle volume = ops.OpenDevicePath(source.Device());
      ASSERT_NE(volume, kInvalidHandle);
      std::string read;
      bool aheadOut = false;  // a whole block came from a two-part read
      for (int block = 0;; ++block) {
        std::uint32_t count;
        if (block == row.plainAt) {
          count = ops.ReadVolume(volume, buffer.get(), CopyBlockSize);
        } else {
          const int wait = ops.BeginRead(volume, buffer.get(), CopyBlockSize);
          // Refused, nothing is to be waited for; the first read, of a
          // device whose pages were dropped, waits.
          pollfd ready{wait, POLLIN, 0};
          const bool waits = wait >= 0;
          EXPECT_FALSE(row.refused && waits) << "block " << block;
          EXPECT_FALSE(block == 0 && !row.refused && !waits) << "the first read did not wait";
          // Read ahead while the last block was written: in already.
          EXPECT_FALSE(aheadOut && row.readAhead && waits && ::poll(&ready, 1, 0) != 1)
              << "block " << block << " was not read ahead";
          EXPECT_FALSE(waits && ::poll(&ready, 1, 10000) != 1) << "block " << block << " never ended";
          count = ops.EndRead(volume, buffer.get(), CopyBlockSize);
        }
        aheadOut = block != row.plainAt && !row.refused && count == CopyBlockSize;
        read.append(buffer.get(), count);
        if (count == 0 || block == row.closeAt) break;
        EXPECT_LE(block, 4) << "reads past the end";
        // The writing of the block: longer than the slow device takes
        // for the next one.
        ::usleep(700000);
      }
      ops.CloseVolume(volume);
      if (row.closeAt >= 0) {
        // The read ahead left behind goes on alone; the next volume is
        // read with a ring of its own meanwhile.
        const VolumeHandle again = ops.OpenDevicePath(source.Device());
        ASSERT_NE(again, kInvalidHandle);
        const int wait = ops.BeginRead(again, buffer.get(), CopyBlockSize);
        pollfd ready{wait, POLLIN, 0};
        EXPECT_FALSE(wait >= 0 && ::poll(&ready, 1, 10000) != 1) << "the read after the close never ended";
        EXPECT_EQ(ops.EndRead(again, buffer.get(), CopyBlockSize), CopyBlockSize);
        EXPECT_EQ(std::memcmp(buffer.get(), bytes.data(), CopyBlockSize), 0) << "the first block read again";
        ops.CloseVolume(again);
      }
      const std::size_t expected =
          row.closeAt >= 0 ? std::size_t(row.closeAt + 1) * CopyBlockSize : bytes.size();
      EXPECT_EQ(read.size(), expected);
      EXPECT_TRUE(read == bytes.substr(0, expected)) << "the blocks came out of order or wrong";
    }
    if (row.closeAt >= 0) {
      // The reads left out end on their own; the next read frees what they held.
      ::usleep(2000000);
      LinuxVolumeOps ops;
      const VolumeHandle volume = ops.OpenDevicePath(source.Device());
      ops.BeginRead(volume, buffer.get(), CopyBlockSize);
      EXPECT_EQ(ops.EndRead(volume, buffer.get(), CopyBlockSize), CopyBlockSize);
      ops.CloseVolume(volume);
    }
    EXPECT_EQ(OpenDescriptorCount(), fdsBefore) << "a descriptor outlived the volume layer";
  }
  AsyncRead::Refuse(false);
  AsyncRead::SetReadAhead(true);
}

}  // namespace
}  // namespace vorkan::test
