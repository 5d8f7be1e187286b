// What a copy leaves under the chosen name when it ends the hard way, on real
// loop volumes and real file systems: killed mid-copy, its folder removed
// under it, a file system that cannot hold the image; and the image's mode.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "NullCopyJobHost.h"
#include "ReadThrottle.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan {
namespace {

using test::LoopDevice;
using test::RecordingHost;

constexpr std::int64_t MiB = 1 << 20;
const std::string kOld = "the image of an earlier copy";

class ImageTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = test::LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    OverrideSeparators(std::string(","), std::string(" "));
  }
  void TearDown() override {
    if (!IsSkipped()) OverrideSeparators(std::nullopt, std::nullopt);
  }
  // A loop volume of `size` bytes of patterned data.
  std::unique_ptr<LoopDevice> Source(std::int64_t size) {
    bytes = test::PatternBytes(static_cast<std::size_t>(size), 11);
    test::WriteFile(dir / "source.bin", bytes);
    auto loop = std::make_unique<LoopDevice>(dir / "source.bin");
    if (!loop->Ok()) return nullptr;
    ops.RefreshDrives();
    letter = ops.Map().LetterOfDevice(loop->Name());
    return letter == 0 ? nullptr : std::move(loop);
  }
  // A FAT file system mounted through FUSE, the one kind here without files
  // of no name; empty with `why` set where it cannot be had.
  std::string FuseFat(const std::string& size, std::string& why) {
    if (!test::HaveTool("fusefat")) {
      why = "fusefat is not installed (scripts/setup.sh installs it)";
      return {};
    }
    const std::string img = dir / "fat.img", folder = dir / "fat";
    const test::CommandResult made =
        test::Run("truncate -s " + size + " " + test::Quote(img) + " && mkfs.vfat -F 32 " + test::Quote(img) +
                  " && mkdir -p " + test::Quote(folder) + " && fusefat -o rw+ " + test::Quote(img) + " " +
                  test::Quote(folder));
    if (made.status != 0) {
      why = made.output;
      return {};
    }
    fuseFolder = folder;
    return folder;
  }
  ~ImageTrustTest() override {
    if (!fuseFolder.empty()) test::Run("umount " + test::Quote(fuseFolder));
  }

  test::TempDir dir;
  LinuxVolumeOps ops;
  std::string bytes;
  char letter = 0;
  std::string fuseFolder;
};

// Killed while it writes, on a file system with files of no name (the test
// folder's) and on one without (FAT through FUSE): the old file stands as
// it was, a name that was free stays free, and the only trace is the
// partial file named as such where there are no unnamed files.
TEST_F(ImageTrustTest, AKilledCopyLeavesNothingUnderTheChosenName) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root to throttle a device";
  const auto source = Source(32 * MiB);
  ASSERT_TRUE(source) << "no loop volume with a letter";
  test::ReadThrottle throttle(source->Device(), 2 * MiB);
  if (!throttle.Ok()) GTEST_SKIP() << "no blkio throttle here (cgroup v1 blkio, as root)";
  std::string why;
  const std::string fat = FuseFat("64M", why);
  struct Row {
    std::string folder;
    bool oldFile;
    std::vector<std::string> left;
  };
  std::vector<Row> rows = {{dir.Path() + "/ext4", true, {"x.IMA"}}, {dir.Path() + "/ext4-new", false, {}}};
  if (!fat.empty()) {
    rows.push_back({fat, true, {".x.IMA.part", "x.IMA"}});
  }
  for (const Row& row : rows) {
    ::mkdir(row.folder.c_str(), 0755);
    const std::string target = row.folder + "/x.IMA";
    if (row.oldFile) test::WriteFile(target, kOld);
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      char c;
      ::close(go[1]);
      if (::read(go[0], &c, 1) != 1) ::_exit(2);
      NullCopyJobHost host;
      ::_exit(CopyDiskToImage(ops, host, letter, target) ? 0 : 1);
    }
    ::close(go[0]);
    ASSERT_TRUE(throttle.Add(child));
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    std::int64_t written = -1;
    for (int i = 0; i < 3000 && written < 4 * MiB; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      written = test::SizeOfImageBeingWritten(target, std::to_string(child));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << row.folder << ": the copy ended before the kill";
    EXPECT_GE(written, 4 * MiB) << row.folder;
    EXPECT_EQ(test::ListFolder(row.folder), row.left) << row.folder;
    if (row.oldFile) {
      EXPECT_EQ(test::ReadFile(target), kOld) << row.folder;
    }
  }
  if (fat.empty()) GTEST_SKIP() << "checked without FAT: " << why;
}

// The folder removed while the copy runs: no success, and nothing claimed.
TEST_F(ImageTrustTest, ATargetFolderRemovedMidCopyIsAWriteFailure) {
  const auto source = Source(4 * MiB);
  ASSERT_TRUE(source) << "no loop volume with a letter";
  const std::string folder = dir / "gone";
  ::mkdir(folder.c_str(), 0755);
  RecordingHost host;
  host.onPump = [&](RecordingHost&, int pump) {
    if (pump == 2) test::Run("rm -rf " + test::Quote(folder));
  };
  host.answers = {mrOk, mrYes};  // the write failure; keep what there is
  EXPECT_FALSE(CopyDiskToImage(ops, host, letter, folder + "/x.IMA"));
  ASSERT_EQ(host.prompts.size(), 3u);
  EXPECT_NE(host.prompts[0].text.find("переполнен или ошибка записи!"), std::string::npos)
      << host.prompts[0].text;
  EXPECT_EQ(host.prompts[1].text.rfind("Вы хотите сохранить ", 0), 0u) << host.prompts[1].text;
  // The Yes could not be done, and the user is told so.
  EXPECT_EQ(host.prompts[2].text, "Не удалось сохранить образ в " + folder + "/x.IMA!");
  EXPECT_FALSE(test::Exists(folder));
}

// FAT keeps no file of 4 GiB or more: every write and the length are taken,
// and the file holds the size modulo 2^32. The copy must not call that a
// success.
TEST_F(ImageTrustTest, AFileSystemThatCannotHoldTheImageIsAWriteFailure) {
  if (!test::IsRoot()) GTEST_SKIP() << "needs root for a large loop volume";
  std::string why;
  const std::string fat = FuseFat("5G", why);
  if (fat.empty()) GTEST_SKIP() << "no FAT target here: " << why;
  // 4.5 GiB, all holes but a block at the start and one at 4,400 MiB.
  const std::string img = dir / "big.bin";
  const std::string block = test::PatternBytes(CopyBlockSize, 5);
  {
    std::ofstream out(img, std::ios::binary);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.seekp(4400 * MiB);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  ASSERT_EQ(::truncate(img.c_str(), 4608 * MiB), 0);
  LoopDevice source(img);
  ASSERT_TRUE(source.Ok()) << source.Error();
  ops.RefreshDrives();
  letter = ops.Map().LetterOfDevice(source.Name());
  ASSERT_NE(letter, 0);
  RecordingHost host;
  host.answers = {mrOk, mrNo};  // the write failure; do not keep
  const std::string target = fat + "/big.IMA";
  EXPECT_FALSE(CopyDiskToImage(ops, host, letter, target));
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_NE(host.prompts[0].text.find("переполнен или ошибка записи!"), std::string::npos)
      << host.prompts[0].text;
  EXPECT_FALSE(test::Exists(target));
  EXPECT_EQ(test::ListFolder(fat), std::vector<std::string>{});
}

// Private whatever the umask: the image holds every file of its volume. A
// replaced file's wider mode does not pass on.
TEST_F(ImageTrustTest, ImagesArePrivateWhateverTheUmask) {
  const auto source = Source(MiB);
  ASSERT_TRUE(source) << "no loop volume with a letter";
  for (const mode_t mask : {022, 000}) {
    const mode_t before = ::umask(mask);
    const std::string target = dir / ("mask" + std::to_string(mask) + ".IMA");
    test::WriteFile(target, kOld);
    ::chmod(target.c_str(), 0644);
    NullCopyJobHost host;
    EXPECT_TRUE(CopyDiskToImage(ops, host, letter, target)) << mask;
    ::umask(before);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "umask " << mask;
    EXPECT_TRUE(test::ReadFile(target) == bytes) << mask;
  }
}

}  // namespace
}  // namespace vorkan
