// SPDX-License-Identifier: GPL-3.0-or-later
// Whole copies of real loop-device volumes through the Linux volume layer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "TextFormat.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan {
namespace {

using test::LoopDevice;
using test::RecordingHost;
using test::TestVolume;
using test::VolumeKind;

bool CanOpenExclusively(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Sees every write to one file, through whichever name, and every open of it
// for writing (reported when that descriptor is closed).
class WriteWatch {
 public:
  explicit WriteWatch(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    ok_ = fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_MODIFY | IN_CLOSE_WRITE) >= 0;
  }
  ~WriteWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  WriteWatch(const WriteWatch&) = delete;
  WriteWatch& operator=(const WriteWatch&) = delete;
  bool Ok() const { return ok_; }
  bool SawWrite() {
    alignas(inotify_event) char events[4096];
    return ::read(fd_, events, sizeof events) > 0;
  }

 private:
  int fd_;
  bool ok_ = false;
};

class LoopCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = test::LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    OverrideSeparators(std::string(","), std::string(" "));
    fdsBefore = test::OpenDescriptorCount();
  }
  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_EQ(test::OpenDescriptorCount(), fdsBefore);
    OverrideSeparators(std::nullopt, std::nullopt);
  }
  // Copies the volume of the device `name` with the real layer; false when it
  // has no letter.
  bool CopyLoop(const std::string& name, bool& result) {
    ops.RefreshDrives();
    letter = ops.Map().LetterOfDevice(name);
    if (letter == 0) return false;
    result = CopyDiskToImage(ops, host, letter, image);
    return true;
  }

  test::TempDir dir;
  LinuxVolumeOps ops;
  RecordingHost host;
  std::string image = dir / "copy.IMA";
  char letter = 0;
  int fdsBefore = 0;
};

TEST_F(LoopCopyTest, UnmountedVfatCopiesLockedAndByteForByte) {
  // Patterned data first, so that a copy of zeros could not pass; the file
  // system's own structures then go over the start of it.
  const std::string backing = dir / "vfat.bin";
  test::WriteFile(backing, test::PatternBytes(8 * 1024 * 1024 + 3 * 512, 5));
  ASSERT_EQ(test::Run("mkfs.vfat -n VORKANTEST -i 1A2B3C4D " + test::Quote(backing)).status, 0);
  LoopDevice loop(backing);
  ASSERT_TRUE(loop.Ok());

  host.lockOption = true;
  bool copied = false;
  ASSERT_TRUE(CopyLoop(loop.Name(), copied)) << loop.Device() << " got no letter";
  EXPECT_TRUE(copied);
  EXPECT_TRUE(host.prompts.empty());  // an unmounted volume locks at once
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{true});
  EXPECT_EQ(test::ReadFile(image), test::ReadFile(loop.Device()));
  EXPECT_EQ(test::ReadFile(image).size(), 8u * 1024 * 1024 + 3 * 512);
  EXPECT_EQ(host.Shown().front().caption, std::string("Копирование диска ") + letter + ":\\");
  EXPECT_TRUE(CanOpenExclusively(loop.Device())) << "the lock was not released";
}

TEST_F(LoopCopyTest, MountedExt4RefusesTheLockAndCopiesAfterIgnore) {
  std::string why;
  const std::unique_ptr<TestVolume> volume = TestVolume::Make(VolumeKind::Ext4, dir / "ext4", why);
  ASSERT_TRUE(volume) << why;
  const std::string mnt = dir / "mnt";
  ASSERT_TRUE(volume->Mount(mnt, why)) << why;

  host.lockOption = true;
  host.answers = {PromptResult::Ignore};
  bool copied = false;
  ASSERT_TRUE(CopyLoop(volume->Name(), copied));
  EXPECT_TRUE(copied);
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].kind, PromptKind::Warning);
  EXPECT_EQ(host.prompts[0].text.rfind(std::string("Навозможно заблокировать диск ") + letter + ":\\!", 0),
            0u);
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{false});
  EXPECT_EQ(test::ReadFile(image), test::ReadFile(volume->Device()));
  // The root path stands for the mount point, which the file manager opens.
  EXPECT_EQ(ops.FolderOfRootPath(RootPathOf(letter)), mnt);
  EXPECT_EQ(ops.FolderOfRootPath(RootPathOf(static_cast<char>(letter + 32))), mnt);
}

TEST_F(LoopCopyTest, MountedVolumeLockRetryThenAbortLeavesEmptyImage) {
  std::string why;
  const std::unique_ptr<TestVolume> volume = TestVolume::Make(VolumeKind::Ext4, dir / "ext4", why);
  ASSERT_TRUE(volume) << why;
  ASSERT_TRUE(volume->Mount(dir / "mnt", why)) << why;
  host.lockOption = true;
  host.answers = {PromptResult::Retry, PromptResult::Abort};
  bool copied = true;
  ASSERT_TRUE(CopyLoop(volume->Name(), copied));
  EXPECT_FALSE(copied);
  EXPECT_EQ(host.prompts.size(), 2u);  // asked again after the retry was refused too
  EXPECT_EQ(test::ReadFile(image), "");
  EXPECT_TRUE(host.lockOptionSets.empty());
}

TEST_F(LoopCopyTest, TargetsThatAreOrHoldAVolumeAreRefusedUntouched) {
  const std::string sourceFile = dir / "source.bin";
  const std::string otherFile = dir / "other.bin";
  const std::string sourceBytes = test::PatternBytes(1024 * 1024, 21);
  const std::string otherBytes = test::PatternBytes(512 * 1024, 22);
  test::WriteFile(sourceFile, sourceBytes);
  test::WriteFile(otherFile, otherBytes);
  LoopDevice source(sourceFile);
  LoopDevice other(otherFile);
  ASSERT_TRUE(source.Ok() && other.Ok());
  const std::string symlinked = dir / "link.IMA", hardLinked = dir / "hard.IMA";
  const std::string deviceLink = dir / "device.IMA", fifo = dir / "pipe.IMA";
  ASSERT_EQ(::symlink(sourceFile.c_str(), symlinked.c_str()), 0);
  ASSERT_EQ(::link(sourceFile.c_str(), hardLinked.c_str()), 0);
  ASSERT_EQ(::symlink(source.Device().c_str(), deviceLink.c_str()), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // With a reader, an open of the pipe for writing would succeed and show.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ops.RefreshDrives();
  letter = ops.Map().LetterOfDevice(source.Name());
  ASSERT_NE(letter, 0) << source.Device() << " got no letter";

  struct Row {
    const char* what;
    std::string target;
  };
  for (const Row& row :
       {Row{"the source's backing file", sourceFile}, Row{"a symbolic link to it", symlinked},
        Row{"a hard link to it", hardLinked}, Row{"another loop's backing file", otherFile},
        Row{"the source device node", source.Device()}, Row{"a symbolic link to the node", deviceLink},
        Row{"a FIFO", fifo}}) {
    host = RecordingHost();
    WriteWatch watch(row.target);
    EXPECT_TRUE(watch.Ok()) << row.what << " is gone";
    EXPECT_FALSE(CopyDiskToImage(ops, host, letter, row.target)) << row.what;
    std::vector<std::string> prompts;
    for (const auto& prompt : host.prompts) prompts.push_back(prompt.text);
    EXPECT_EQ(prompts, std::vector<std::string>{FormatDriveText("Ошибка чтения/записи диска %s:\\!",
                                                                ops.DriveNameOfPath(row.target))})
        << row.what;
    EXPECT_TRUE(host.progress.empty()) << row.what;
    EXPECT_FALSE(watch.SawWrite()) << row.what << " was opened for writing";
    EXPECT_TRUE(test::ReadFile(sourceFile) == sourceBytes) << row.what << ": the source's file changed";
    EXPECT_TRUE(test::ReadFile(otherFile) == otherBytes) << row.what << ": the other loop's file changed";
  }
  ::close(reader);
}

TEST_F(LoopCopyTest, LetterWithoutVolumeEndsAsOpenFailed) {
  ops.RefreshDrives();
  char free = 0;
  for (char c = 'Z'; c >= 'D' && free == 0; --c)
    if (ops.Map().VolumeOfLetter(c) == nullptr) free = c;
  ASSERT_NE(free, 0);
  EXPECT_FALSE(CopyDiskToImage(ops, host, free, image));
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, std::string("Диск ") + free + ":\\ пуст, или ошибка чтения!");
  EXPECT_FALSE(test::Exists(image));
}

}  // namespace
}  // namespace vorkan
