// Image targets on real file systems: things a save dialog lets a user pick
// that must not be written to, and a file system that runs full.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "ByteSize.h"
#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "TestSupport.h"
#include "volume/FileVolumeOps.h"

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
    EXPECT_EQ(host.prompts[0].text, std::string("Ошибка чтения/записи диска ") + target[0] + ":\\!");
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

TEST_F(ImageTargetTest, DeviceNodesAndLinksToThemAreNeverWritten) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to attach a loop device";
  const std::string backing = dir / "disk.bin";
  const std::string before = test::PatternBytes(B, 11);
  test::WriteFile(backing, before);
  const std::string loop = test::RunOutput("losetup -f --show '" + backing + "' 2>/dev/null");
  if (loop.empty()) GTEST_SKIP() << "no free loop device";
  const std::string device = loop.substr(0, loop.find('\n'));
  ExpectCreateFailed(device);
  const std::string link = dir / "disk.IMA";
  ASSERT_EQ(::symlink(device.c_str(), link.c_str()), 0);
  ExpectCreateFailed(link);
  test::Run("losetup -d " + device);
  EXPECT_EQ(test::ReadFile(backing), before);

  ExpectCreateFailed("/dev/null");
}

TEST_F(ImageTargetTest, ReadOnlyFolderIsRefused) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to mount a read-only file system";
  const std::string mnt = dir / "ro";
  ::mkdir(mnt.c_str(), 0755);
  if (test::Run("mount -t tmpfs -o ro,size=1m tmpfs '" + mnt + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "mount not allowed here";
  ExpectCreateFailed(mnt + "/x.IMA");
  test::Run("umount '" + mnt + "'");
}

TEST_F(ImageTargetTest, FullFileSystemKeepsTheExactPrefix) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to mount a small file system";
  const std::string mnt = dir / "small";
  ::mkdir(mnt.c_str(), 0755);
  if (test::Run("mount -t tmpfs -o size=512k tmpfs '" + mnt + "' 2>/dev/null") != 0)
    GTEST_SKIP() << "mount not allowed here";
  const std::string target = mnt + "/x.IMA";
  ops.SetPathLetter(mnt, 'F');
  host.answers = {mrOk, mrYes};
  EXPECT_FALSE(CopyDiskToImage(ops, host, 'E', target));
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[0].text, "Диск F:\\ переполнен или ошибка записи!");
  EXPECT_EQ(host.prompts[1].text.rfind("Вы хотите сохранить ", 0), 0u);
  const std::string kept = test::ReadFile(target);
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LT(kept.size(), source.size());
  EXPECT_EQ(kept, source.substr(0, kept.size()));
  test::Run("umount '" + mnt + "'");
}

}  // namespace
}  // namespace vorkan
