// SPDX-License-Identifier: GPL-3.0-or-later
// The image on real file systems through the Linux volume layer (FAT and
// NTFS through FUSE among them): zero blocks left as holes, and a copy that leaves neither the image nor the
// source in the page cache.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/ImageFile.h"
#include "volume/LinuxVolumeOps.h"
#include "LoopVolumeTest.h"

namespace vorkan {
namespace {

using test::LoopDevice;
using test::MountedVolume;
using test::RecordingHost;
using test::TestVolume;
using test::VolumeKind;

constexpr std::int64_t MiB = 1 << 20;

// A file system for the image to go on.
struct Target {
  ~Target() {
    if (!fuseFolder.empty()) test::Run("umount " + test::Quote(fuseFolder));
  }
  std::unique_ptr<LoopDevice> loop;
  std::unique_ptr<MountedVolume> mount;  // goes before the loop device
  std::string fuseFolder;                // mounted by a FUSE program
};

class ImageOnDiskTest : public test::LoopVolumeTest {
 protected:
  // Copies the lettered device `name` to `image`.
  bool Copy(const std::string& name, const std::string& image) {
    ops.RefreshDrives();
    const char letter = ops.Map().LetterOfDevice(name);
    EXPECT_NE(letter, 0) << name << " got no letter";
    return letter != 0 && CopyDiskToImage(ops, host, letter, image);
  }

  test::TempDir dir;
  LinuxVolumeOps ops;
  RecordingHost host;
};

TEST_F(ImageOnDiskTest, AMostlyEmptyVolumeTakesOnlyItsDataRoomAndReadsBackTheSame) {
  // 64 MiB of ext4 holding 3 MiB of files, not mounted; what is not data is
  // zeros (its inode tables and journal are written out as such).
  std::string why;
  const test::VolumeShape shape{"", "64M", true};
  const std::unique_ptr<TestVolume> source = TestVolume::Make(VolumeKind::Ext4, dir / "source", why, shape);
  ASSERT_TRUE(source) << why;
  const std::int64_t size = test::SizeOf(source->Device());
  const std::string digest = test::Sha256(source->Device());
  // The room its data needs: the copy's blocks that hold anything.
  const std::string bytes = test::ReadFile(source->Device());
  const std::string zeros(CopyBlockSize, '\0');
  std::int64_t data = 0;
  for (std::size_t at = 0; at < bytes.size(); at += CopyBlockSize)
    if (bytes.compare(at, CopyBlockSize, zeros, 0, std::min<std::size_t>(CopyBlockSize, bytes.size() - at)) !=
        0)
      data += CopyBlockSize;
  ASSERT_LT(data, size / 4);

  struct Row {
    const char* what;
    const char* mkfs;  // makes the file system on a file of `size`
    const char* size;
    int extraPercent;            // room taken beyond the data where there are holes; -1: no holes
    const char* fuse = nullptr;  // the FUSE program that mounts it, where the kernel does not
    std::string name = "copy.IMA";
  };
  // A long Russian name (221 bytes) whose partial name is cut at a byte
  // within a character unless cut with care: NTFS takes only UTF-8 names.
  std::string russian = "D";
  for (int i = 0; i < 108; ++i) russian += "Ж";
  const Row rows[] = {
      {"ext4", "mkfs.ext4 -q -F", "160M", 0},
      // XFS keeps some of the room it allocated ahead of the writes.
      {"xfs", "mkfs.xfs -q -f", "320M", 100},
      {"btrfs", "mkfs.btrfs -q -f", "160M", 0},
      {"tmpfs", "", "", 0},
      // FAT keeps no holes: the same bytes, only without the saving.
      {"vfat", "mkfs.vfat", "160M", -1, "fusefat -o rw+"},
      {"ntfs", "mkfs.ntfs -q -F -f", "160M", 0, "ntfs-3g", russian + ".IMA"},
  };
  std::string untried;  // targets this machine cannot mount, and why
  for (const Row& row : rows) {
    const std::string what = row.what, folder = dir / what, img = folder + ".img";
    Target target;
    if (what != "tmpfs") {
      const test::CommandResult made =
          test::Run("truncate -s " + std::string(row.size) + " " + test::Quote(img) + " && " + row.mkfs +
                    " " + test::Quote(img));
      if (made.status != 0 && row.fuse != nullptr) {
        untried += " " + what + ": " + made.output + ";";
        continue;
      }
      ASSERT_EQ(made.status, 0) << what << ": " << made.output;
    }
    if (what == "tmpfs") {
      target.mount = std::make_unique<MountedVolume>("tmpfs", folder, "tmpfs", 0, "size=100m");
    } else if (row.fuse != nullptr) {
      // This kernel has no vfat of its own, and NTFS is mostly mounted so.
      const std::string program = std::string(row.fuse).substr(0, std::string(row.fuse).find(' '));
      if (!test::HaveTool(program)) {
        untried += " " + what + ": " + program + " is not installed (scripts/setup.sh installs it);";
        continue;
      }
      test::Run("mkdir -p " + test::Quote(folder));
      const test::CommandResult mounted =
          test::Run(std::string(row.fuse) + " " + test::Quote(img) + " " + test::Quote(folder));
      if (mounted.status != 0) {
        untried += " " + what + ": " + mounted.output + ";";
        continue;
      }
      target.fuseFolder = folder;
    } else {
      target.loop = std::make_unique<LoopDevice>(img);
      ASSERT_TRUE(target.loop->Ok()) << target.loop->Error();
      target.mount = std::make_unique<MountedVolume>(target.loop->Device(), folder, row.what);
    }
    if (target.mount && !target.mount->Ok()) {
      untried += " " + what + ": " + target.mount->Error() + ";";
      continue;
    }
    const std::string image = folder + "/" + row.name;
    host = RecordingHost();
    EXPECT_TRUE(Copy(source->Name(), image)) << what;
    std::vector<std::string> left = test::ListFolder(folder);
    std::erase(left, "lost+found");
    EXPECT_EQ(left, std::vector<std::string>{row.name}) << what;  // no partial file either
    EXPECT_EQ(test::SizeOf(image), size) << what;
    EXPECT_EQ(test::Sha256(image), digest) << what;
    const std::int64_t allocated = test::AllocatedBytes(image);
    if (row.extraPercent >= 0)
      EXPECT_LE(allocated, data + data * row.extraPercent / 100 + MiB) << what << ": zeros were written";
    else
      EXPECT_GE(allocated, size) << what;
  }
  if (!untried.empty()) GTEST_SKIP() << "targets not tried here:" << untried;
}

TEST_F(ImageOnDiskTest, ACopyLeavesTheImageAndAnUnmountedSourceOutOfThePageCache) {
  // Data all through, so that every block is written.
  const std::string backing = dir / "source.bin";
  test::WriteFile(backing, test::PatternBytes(96 * MiB, 31));
  LoopDevice source(backing);
  ASSERT_TRUE(source.Ok()) << source.Error();
  // Held open here, the device keeps its cache after the job closes it, so
  // what the job leaves there can be seen.
  const int held = ::open(source.Device().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  const std::string image = dir / "copy.IMA";
  std::int64_t imagePeak = 0, sourcePeak = 0;
  host.onPump = [&](RecordingHost&, int) {
    imagePeak = std::max(imagePeak, test::CachedBytes(image));
    sourcePeak = std::max(sourcePeak, test::CachedBytes(source.Device()));
  };
  EXPECT_TRUE(Copy(source.Name(), image));
  // Two ranges in flight, one being filled, and the read-ahead.
  EXPECT_LE(imagePeak, 3 * ImageWriteBehind);
  EXPECT_LE(sourcePeak, 3 * ImageWriteBehind);
  EXPECT_LE(test::CachedBytes(image), ImageWriteBehind);
  EXPECT_LE(test::CachedBytes(source.Device()), ImageWriteBehind);
  ::close(held);
  EXPECT_EQ(test::Sha256(image), test::Sha256(backing));  // reads it into the cache
}

TEST_F(ImageOnDiskTest, AMountedSourceKeepsItsPagesInTheCache) {
  std::string why;
  const std::unique_ptr<TestVolume> source = TestVolume::Make(VolumeKind::Ext4, dir / "source", why);
  ASSERT_TRUE(source) << why;
  ASSERT_TRUE(source->Mount(dir / "mnt", why)) << why;
  const std::int64_t size = test::SizeOf(source->Device());
  EXPECT_TRUE(Copy(source->Name(), dir / "copy.IMA"));
  // Its file system's metadata lives in the device's cache: none is dropped.
  EXPECT_GE(test::CachedBytes(source->Device()), size * 9 / 10);
}

}  // namespace
}  // namespace vorkan
