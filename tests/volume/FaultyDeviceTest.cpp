// SPDX-License-Identifier: GPL-3.0-or-later
// The slow and failing device the other tests stand on: a read fails with
// EIO at exactly the failing sectors, a flaky sector reads once its failures
// are used up, a rate holds a read back for as long as it should, and with
// no limit it is fast enough not to skew what is measured over it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "FaultyDevice.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

constexpr std::int64_t kMiB = 1 << 20, kAt = 2 * kMiB;  // away from where a probe looks

TEST(FaultyDevice, FailsAtTheChosenSectorsAndReadsAtTheChosenRate) {
  const std::string why = FaultyDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  TempDir dir;
  const std::string bytes = PatternBytes(4 * kMiB, 5);
  WriteFile(dir / "disk.bin", bytes);
  FaultyDevice device(dir / "disk.bin",
                      {{{kAt + 8 * 512, kAt + 10 * 512}, {kAt + 20 * 512, kAt + 21 * 512, 2}}});
  ASSERT_TRUE(device.Ok()) << device.Error();
  const int fd = ::open(device.Device().c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::unique_ptr<char, decltype(&std::free)> buffer(static_cast<char*>(std::aligned_alloc(4096, kMiB)),
                                                     &std::free);
  // '.' for a sector read whole and right, 'E' for EIO.
  const auto sectors = [&](std::int64_t first, int count) {
    std::string seen;
    for (std::int64_t s = first; s < first + count; ++s) {
      const ssize_t n = ::pread(fd, buffer.get(), 512, kAt + s * 512);
      const bool right = n == 512 && std::memcmp(buffer.get(), bytes.data() + kAt + s * 512, 512) == 0;
      seen += right ? '.' : n < 0 && errno == EIO ? 'E' : '?';
    }
    return seen;
  };
  EXPECT_EQ(sectors(6, 6), "..EE..");
  std::string flaky = sectors(20, 1);
  flaky += sectors(19, 3);
  EXPECT_EQ(flaky + sectors(20, 1), "E.E..") << "the flaky sector";

  using Clock = std::chrono::steady_clock;
  const auto secondsToRead = [&](std::int64_t size) {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(::pread(fd, buffer.get(), size, 0), size);
    EXPECT_EQ(std::memcmp(buffer.get(), bytes.data(), size), 0);
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  const double free = secondsToRead(kMiB);
  std::cout << "a MiB read at no limit took " << free << " s (" << kMiB / free / 1e6 << " MB/s)\n";
  EXPECT_LT(free, 0.2) << "the device is too slow to stand for a fast one";
  ASSERT_TRUE(device.Set({.readRate = 4 * kMiB}));
  EXPECT_GE(secondsToRead(kMiB), 0.25) << "the rate did not hold the read back";
  ::close(fd);
}

}  // namespace
}  // namespace vorkan::test
