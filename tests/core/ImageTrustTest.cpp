// SPDX-License-Identifier: GPL-3.0-or-later
// What a copy leaves under the chosen name when it ends the hard way, on real
// loop volumes and real file systems: killed mid-copy, its folder removed
// under it, a file system that cannot hold the image, the name taken or the
// folder renamed while it runs; and the image's mode.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "CopyJob.h"
#include "FaultyDevice.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "NullCopyJobHost.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "volume/LinuxVolumeOps.h"
#include "LoopVolumeTest.h"

namespace vorkan {
namespace {

using test::LoopDevice;
using test::RecordingHost;

constexpr std::int64_t MiB = 1 << 20;
const std::string kOld = "the image of an earlier copy";

class ImageTrustTest : public test::LoopVolumeTest {
 protected:
  // A loop volume of `size` bytes of patterned data (a LoopDevice, or a
  // FaultyDevice to be slowed).
  template <class Device = LoopDevice>
  std::unique_ptr<Device> Source(std::int64_t size) {
    bytes = test::PatternBytes(static_cast<std::size_t>(size), 11);
    test::WriteFile(dir / "source.bin", bytes);
    auto loop = std::make_unique<Device>(dir / "source.bin");
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
  const std::string slow = test::FaultyDevicesUnavailable();
  if (!slow.empty()) GTEST_SKIP() << "needs a slow device: " << slow;
  const auto source = Source<test::FaultyDevice>(32 * MiB);
  ASSERT_TRUE(source) << "no slow loop volume with a letter";
  ASSERT_TRUE(source->Set({.readRate = 2 * MiB}));
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
  host.answers = {PromptResult::Ok, PromptResult::Yes};  // the write failure; keep what there is
  EXPECT_FALSE(CopyDiskToImage(ops, host, letter, folder + "/x.IMA"));
  ASSERT_EQ(host.prompts.size(), 3u);
  EXPECT_NE(host.prompts[0].text.find("переполнен или ошибка записи!"), std::string::npos)
      << host.prompts[0].text;
  EXPECT_EQ(host.prompts[1].text.rfind("Вы хотите сохранить ", 0), 0u) << host.prompts[1].text;
  // The Yes could not be done, and the user is told so.
  EXPECT_EQ(host.prompts[2].text, "Не удалось сохранить образ в " + folder + "/x.IMA!");
  EXPECT_FALSE(test::Exists(folder));
}

// The name changes under the copy. Whatever stands under it at the end and
// is not the very file the user agreed to replace stays as it is; the
// image, whole, takes the first free name beside it, and the copy says where
// (the success prompt names that path). No row loses a file or the image.
TEST_F(ImageTrustTest, ANameThatChangesUnderTheCopyCostsNeitherItsFileNorTheImage) {
  const auto source = Source(4 * MiB);
  ASSERT_TRUE(source) << "no loop volume with a letter";
  const std::string kImage = "(the image)", kFolder = "(a folder)", kPrecious = "precious";
  using Step = std::function<void(const std::string& folder)>;
  const Step nothing = [](const std::string&) {};
  auto write = [](const std::string& text) {
    return [text](const std::string& folder) { test::WriteFile(folder + "/x.IMA", text); };
  };
  struct Row {
    const char* what;
    Step before;         // the folder as the user chose the name
    bool agreed;         // the replace question's Yes for what stood there
    Step during;         // at the second report
    std::string keptIn;  // the folder the image ends in (relative), and its name there
    std::string keptName;
    std::map<std::string, std::string> left;  // what the folder holds then
    bool asNobody = false;
  };
  std::vector<Row> rows = {
      {"the file agreed to is replaced", write(kOld), true, nothing, "", "x.IMA", {{"x.IMA", kImage}}},
      {"a file appears",
       nothing,
       false,
       write(kPrecious),
       "",
       "x (1).IMA",
       {{"x.IMA", kPrecious}, {"x (1).IMA", kImage}}},
      {"the file agreed to is made anew",
       write(kOld),
       true,
       [&](const std::string& f) {
         ::unlink((f + "/x.IMA").c_str());
         test::WriteFile(f + "/x.IMA", kPrecious);
       },
       "",
       "x (1).IMA",
       {{"x.IMA", kPrecious}, {"x (1).IMA", kImage}}},
      {"a folder appears",
       nothing,
       false,
       [](const std::string& f) { ::mkdir((f + "/x.IMA").c_str(), 0755); },
       "",
       "x (1).IMA",
       {{"x.IMA", kFolder}, {"x (1).IMA", kImage}}},
      {"the old file is immutable",
       [&](const std::string& f) {
         test::WriteFile(f + "/x.IMA", kOld);
         test::Run("chattr +i " + test::Quote(f + "/x.IMA"));
       },
       true,
       nothing,
       "",
       "x (1).IMA",
       {{"x.IMA", kOld}, {"x (1).IMA", kImage}}},
      {"the folder is renamed",
       nothing,
       false,
       [](const std::string& f) { ::rename(f.c_str(), (f + "-renamed").c_str()); },
       "-renamed",
       "x.IMA",
       {{"x.IMA", kImage}}},
      {"two copies to one name",
       nothing,
       false,
       [&](const std::string& f) {
         LinuxVolumeOps other;
         NullCopyJobHost quiet;
         EXPECT_TRUE(CopyDiskToImage(other, quiet, letter, ImageTarget{f + "/x.IMA", std::nullopt}));
       },
       "",
       "x (1).IMA",
       {{"x.IMA", kImage}, {"x (1).IMA", kImage}}},
      // Root may rename over anybody's file; the user may not, in a folder
      // such as /tmp.
      {"another user's file in a sticky folder",
       [&](const std::string& f) {
         ::chmod(f.c_str(), 01777);
         test::WriteFile(f + "/x.IMA", kOld);
       },
       true,
       nothing,
       "",
       "x (1).IMA",
       {{"x.IMA", kOld}, {"x (1).IMA", kImage}},
       true},
  };
  std::string untried;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    const std::string folder = dir / ("row" + std::to_string(i)), path = folder + "/x.IMA";
    ::mkdir(folder.c_str(), 0755);
    row.before(folder);
    const ImageTarget target = row.agreed ? ReplacingWhatStands(path) : ImageTarget{path, std::nullopt};
    RecordingHost host;
    host.onPump = [&](RecordingHost&, int pump) {
      if (pump == 2) row.during(folder);
    };
    std::string kept;
    bool copied = false;
    if (!row.asNobody) {
      copied = CopyDiskToImage(ops, host, letter, target, &kept);
    } else {
      if (!test::IsRoot()) {
        untried += std::string(" ") + row.what + ": needs root to make another user's file;";
        continue;
      }
      test::Run("chmod o+r " + test::Quote(source->Device()));
      const std::optional<std::string> out = test::RunAsNobody([&] {
        LinuxVolumeOps mine;
        mine.RefreshDrives();
        std::string where;
        if (CopyDiskToImage(mine, host, letter, target, &where)) return where;
        return "failed:" + (host.prompts.empty() ? std::string() : host.prompts[0].text);
      });
      test::Run("chmod o-r " + test::Quote(source->Device()));
      ASSERT_TRUE(out) << row.what << ": could not run as user 65534";
      copied = out->rfind("failed", 0) != 0;
      kept = *out;
    }
    const std::string endFolder = folder + row.keptIn;
    EXPECT_TRUE(copied) << row.what;
    EXPECT_EQ(kept, endFolder + "/" + row.keptName) << row.what;
    EXPECT_TRUE(host.prompts.empty()) << row.what << ": " << host.prompts[0].text;
    std::vector<std::string> names;
    for (const auto& [name, content] : row.left) {
      names.push_back(name);
      const std::string at = endFolder + "/" + name;
      struct stat st {};
      if (content == kFolder)
        EXPECT_TRUE(::stat(at.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << row.what << ": " << name;
      else
        EXPECT_TRUE(test::ReadFile(at) == (content == kImage ? bytes : content)) << row.what << ": " << name;
    }
    EXPECT_EQ(test::ListFolder(endFolder), names) << row.what;
    test::Run("chattr -i " + test::Quote(path) + " 2>/dev/null");
  }
  if (!untried.empty()) GTEST_SKIP() << "rows not tried here:" << untried;
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
  host.answers = {PromptResult::Ok, PromptResult::No};  // the write failure; do not keep
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
