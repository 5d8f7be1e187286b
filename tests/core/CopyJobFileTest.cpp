// SPDX-License-Identifier: GPL-3.0-or-later
// Image targets on real file systems: things a save dialog lets a user pick
// that must not be written to, and a file system that runs full.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "ByteSize.h"
#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "MountedVolume.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "FileVolumeOps.h"

namespace vorkan {
namespace {

using test::RecordingHost;
constexpr std::int64_t B = CopyBlockSize;

class ImageTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OverrideSeparators(std::string(","), std::string(" "));
    source = test::PatternBytes(3 * B + 5, 3);
    test::WriteFile(dir / "volume.bin", source);
    FileVolume v;
    v.path = dir / "volume.bin";
    ops.AddVolume('E', v);
    fdsBefore = test::OpenDescriptorCount();
  }
  void TearDown() override {
    EXPECT_EQ(test::OpenDescriptorCount(), fdsBefore);
    EXPECT_EQ(ops.openVolumes, 0);
    OverrideSeparators(std::nullopt, std::nullopt);
  }
  void ExpectCreateFailed(const std::string& target) {
    host = RecordingHost();
    EXPECT_FALSE(CopyDiskToImage(ops, host, 'E', target)) << target;
    ASSERT_EQ(host.prompts.size(), 1u) << target;
    // No lettered drive holds the folder: the prompt names the folder.
    EXPECT_EQ(host.prompts[0].text,
              "Ошибка чтения/записи диска " + target.substr(0, target.rfind('/')) + "!");
    EXPECT_EQ(ops.bytesReadTotal, 0);
  }

  test::TempDir dir;
  FileVolumeOps ops;
  RecordingHost host;
  std::string source;
  int fdsBefore = 0;
};

TEST_F(ImageTargetTest, PipesSocketsAndMissingFoldersAreRefused) {
  const std::string fifo = dir / "pipe.IMA";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ExpectCreateFailed(fifo);  // must neither block waiting for a reader nor write
  EXPECT_TRUE(test::Exists(fifo));

  const std::string socketPath = dir / "sock.IMA";
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ExpectCreateFailed(socketPath);
  ::close(s);

  ExpectCreateFailed(dir / "no/such/folder/x.IMA");
  ExpectCreateFailed(dir.Path());  // a folder is not a file
}

TEST_F(ImageTargetTest, TheFilesPlayingVolumesAreRefusedUntouched) {
  const std::string symlinked = dir / "link.IMA", hardLinked = dir / "hard.IMA";
  ASSERT_EQ(::symlink((dir / "volume.bin").c_str(), symlinked.c_str()), 0);
  ASSERT_EQ(::link((dir / "volume.bin").c_str(), hardLinked.c_str()), 0);
  for (const std::string& target : {dir / "volume.bin", symlinked, hardLinked}) {
    ExpectCreateFailed(target);
    EXPECT_TRUE(test::ReadFile(dir / "volume.bin") == source) << target << ": the volume's file changed";
  }
}

TEST_F(ImageTargetTest, ALinkToAFileIsReplacedNotWrittenThrough) {
  const std::string victim = dir / "victim.txt", link = dir / "link.IMA";
  test::WriteFile(victim, "a file the link points at");
  for (const std::string& points : {victim, dir / "nowhere"}) {
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(points.c_str(), link.c_str()), 0);
    host = RecordingHost();
    EXPECT_TRUE(CopyDiskToImage(ops, host, 'E', link)) << points;
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << points;
    EXPECT_TRUE(test::ReadFile(link) == source) << points;
    EXPECT_EQ(test::ReadFile(victim), "a file the link points at") << points;
    EXPECT_FALSE(test::Exists(dir / "nowhere")) << points;
  }
}

TEST_F(ImageTargetTest, ReadOnlyFolderIsRefused) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to mount a read-only file system";
  const std::string mnt = dir / "ro";
  const test::MountedVolume mounted("tmpfs", mnt, "tmpfs", MS_RDONLY, "size=1m");
  if (!mounted.Ok()) GTEST_SKIP() << "mount not allowed here: " << mounted.Error();
  ExpectCreateFailed(mnt + "/x.IMA");
}

TEST_F(ImageTargetTest, FullFileSystemKeepsExactlyWhatTheKeepPromptNames) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to mount a small file system";
  const std::string mnt = dir / "small";
  const test::MountedVolume mounted("tmpfs", mnt, "tmpfs", 0, "size=2m");
  if (!mounted.Ok()) GTEST_SKIP() << "mount not allowed here: " << mounted.Error();
  // 100 KiB taken leaves room for 7 blocks and part of an eighth, which the
  // system accepts before it reports ENOSPC.
  test::WriteFile(mnt + "/filler", std::string(100 * 1024, 'f'));
  source = test::PatternBytes(12 * B, 4);
  test::WriteFile(dir / "volume.bin", source);
  const std::string target = mnt + "/x.IMA";
  ops.SetPathLetter(mnt, 'F');
  host.answers = {PromptResult::Ok, PromptResult::Yes};
  EXPECT_FALSE(CopyDiskToImage(ops, host, 'E', target));
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[0].text, "Диск F:\\ переполнен или ошибка записи!");
  const std::string kept = test::ReadFile(target);
  const std::int64_t total = static_cast<std::int64_t>(source.size()) - TailMargin;
  const auto size = static_cast<std::int64_t>(kept.size());
  EXPECT_EQ(size, 7 * B);
  // The closing report carries the transferred count (a whole number of sectors).
  EXPECT_EQ(size, std::int64_t{host.progress.back().position} * 512);
  EXPECT_EQ(host.prompts[1].text, "Вы хотите сохранить " + FormatByteSize(size) + " незавершенного файла (" +
                                      FormatByteSize(total - size) + " из " + FormatByteSize(total) +
                                      " отсутствует)?");
  EXPECT_TRUE(kept == source.substr(0, kept.size())) << "not a prefix of the volume";
}

}  // namespace
}  // namespace vorkan
