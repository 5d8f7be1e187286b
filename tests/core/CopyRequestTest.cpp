// SPDX-License-Identifier: GPL-3.0-or-later
// The copy request with a scripted window: proposals, the room check, the
// same-drive warning and the window's restoring, in their order.
#include <gtest/gtest.h>

#include <deque>

#include "ByteSize.h"
#include "CopyJob.h"
#include "CopyRequest.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "FileVolumeOps.h"
#include "volume/LinuxVolumeOps.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

class ScriptedWindow : public CopyRequestHost {
 public:
  explicit ScriptedWindow(VolumeOps& ops) : ops_(ops) {}

  bool SelectedRow(DriveRecord& row) override {
    log.push_back("select");
    if (!hasSelection) return false;
    row = selected;
    return true;
  }
  bool RunSaveDialog(const std::string& proposedName, int filterIndex, ImageTarget& target) override {
    log.push_back("dialog " + proposedName + " " + std::to_string(filterIndex));
    if (dialogAnswers.empty()) return false;
    target = ReplacingWhatStands(dialogAnswers.front());  // the replace question's Yes
    dialogAnswers.pop_front();
    return true;
  }
  PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                          PromptButtons buttons) override {
    prompts.push_back({text, kind, buttons, id});
    log.push_back("prompt");
    if (onPrompt) onPrompt(prompts.size());
    if (answers.empty()) return PromptResult::Cancel;
    const PromptResult r = answers.front();
    answers.pop_front();
    return r;
  }
  void ClearLockOption() override { log.push_back("untick"); }
  void SetCopyControlsEnabled(bool enabled) override { log.push_back(enabled ? "enable" : "disable"); }
  bool RunCopyJob(char sourceLetter, const ImageTarget& target, std::string& keptPath) override {
    log.push_back(std::string("copy ") + sourceLetter + " " + target.path);
    return CopyDiskToImage(ops_, jobHost, sourceLetter, target, &keptPath);
  }
  void ClearRequestFlags() override { log.push_back("flags"); }
  void RestoreTitle() override { log.push_back("title"); }
  void RestoreApplication() override { log.push_back("restore"); }
  void RebuildDriveList() override { log.push_back("rebuild"); }
  void FocusListIfActive() override { log.push_back("focus"); }

  bool hasSelection = true;
  DriveRecord selected;
  std::deque<std::string> dialogAnswers;
  std::deque<PromptResult> answers;
  std::function<void(std::size_t)> onPrompt;
  std::vector<test::PromptCall> prompts;
  std::vector<std::string> log;
  test::RecordingHost jobHost;

 private:
  VolumeOps& ops_;
};

const std::vector<std::string> kRestore = {"enable", "flags", "title", "restore", "rebuild", "focus"};

class CopyRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OverrideSeparators(std::string(","), std::string(" "));
    source = test::PatternBytes(600'000, 2);
    test::WriteFile(dir / "e.bin", source);
    FileVolume e;
    e.path = dir / "e.bin";
    e.totalFreeBytes = 1000;
    ops.AddVolume('E', e);
    FileVolume d;
    d.path = "/dev/null";
    d.totalFreeBytes = static_cast<std::int64_t>(source.size());  // exactly enough
    ops.AddVolume('D', d);
    ops.SetPathLetter(dir / "d", 'D');
    ops.SetPathLetter(dir / "e", 'E');
    ::mkdir((dir / "d").c_str(), 0755);
    ::mkdir((dir / "e").c_str(), 0755);
    window.selected.RootPath = "E:\\";
    window.selected.MediaType = "Локальный";
  }
  void TearDown() override { OverrideSeparators(std::nullopt, std::nullopt); }
  std::vector<std::string> Tail(std::size_t n) const {
    return {window.log.end() - static_cast<std::ptrdiff_t>(n), window.log.end()};
  }

  test::TempDir dir;
  FileVolumeOps ops;
  ScriptedWindow window{ops};
  std::string source;
};

TEST_F(CopyRequestTest, NoSelectionDoesNothing) {
  window.hasSelection = false;
  RunCopyRequest(ops, window);
  EXPECT_EQ(window.log, std::vector<std::string>{"select"});
}

TEST_F(CopyRequestTest, CancelledDialogEndsSilently) {
  RunCopyRequest(ops, window);
  EXPECT_EQ(window.log, (std::vector<std::string>{"select", "dialog диск_e 1"}));
}

TEST_F(CopyRequestTest, OpticalDriveProposesTheIsoFilter) {
  window.selected.RootPath = "G:\\";
  window.selected.MediaType = "CD-диск";
  RunCopyRequest(ops, window);
  EXPECT_EQ(window.log.back(), "dialog диск_g 2");
}

TEST_F(CopyRequestTest, ExactRoomPassesAndTheSuccessIsReported) {
  const std::string target = dir / "d/x.IMA";
  window.dialogAnswers = {target};
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 1u);
  EXPECT_EQ(window.prompts[0].text, "Диск E:\\ успешно скопирован в " + target + ".");
  EXPECT_EQ(window.prompts[0].kind, PromptKind::Information);
  EXPECT_EQ(window.prompts[0].buttons, ButtonSet({PromptButton::OK}));
  EXPECT_EQ(test::ReadFile(target), source);
  EXPECT_EQ(window.log[2], "disable");
  EXPECT_EQ(window.log[3], "copy E " + target);
  EXPECT_EQ(Tail(6), kRestore);
}

// A file written under the chosen name during the copy stays; the success
// names where the image went instead.
TEST_F(CopyRequestTest, TheSuccessNamesTheNameBesideATakenOne) {
  const std::string target = dir / "d/x.IMA";
  window.dialogAnswers = {target};
  window.jobHost.onPump = [&](test::RecordingHost&, int pump) {
    if (pump == 1) test::WriteFile(target, "precious");
  };
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 1u);
  EXPECT_EQ(window.prompts[0].text, "Диск E:\\ успешно скопирован в " + (dir / "d/x (1).IMA") + ".");
  EXPECT_EQ(test::ReadFile(target), "precious");
  EXPECT_EQ(test::ReadFile(dir / "d/x (1).IMA"), source);
}

TEST_F(CopyRequestTest, OneByteShortAsksWithTheShortageAndRetryAsksAgain) {
  ops.Volume('D').totalFreeBytes = static_cast<std::int64_t>(source.size()) - 1;
  window.dialogAnswers = {dir / "d/x.IMA"};
  window.onPrompt = [&](std::size_t n) {
    if (n == 1) ops.Volume('D').totalFreeBytes = static_cast<std::int64_t>(source.size()) - 2048;
  };
  window.answers = {PromptResult::Retry, PromptResult::Cancel};
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 2u);
  EXPECT_EQ(window.prompts[0].text,
            "Недостаточно места на диске!\n\rОсвободите 1 б и нажмите [Повтор] для сохранения полного "
            "образа,\n\rили нажмите [Игнорировать] для продолжения.");
  EXPECT_EQ(window.prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(window.prompts[0].buttons,
            ButtonSet({PromptButton::Cancel, PromptButton::Retry, PromptButton::Ignore}));
  EXPECT_NE(window.prompts[1].text.find("Освободите 2,0 Кб "), std::string::npos) << window.prompts[1].text;
  EXPECT_FALSE(test::Exists(dir / "d/x.IMA"));  // Cancel creates no file
  EXPECT_EQ(window.log.back(), "prompt");
}

TEST_F(CopyRequestTest, SameDriveMeetsTheShortageFirstThenTheWarning) {
  const std::string target = dir / "e/x.IMA";
  window.dialogAnswers = {target, dir / "d/y.IMA"};
  window.answers = {PromptResult::Ignore, PromptResult::No};  // No: choose again
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 3u);
  EXPECT_EQ(window.prompts[0].text.rfind("Недостаточно места на диске!", 0), 0u);
  EXPECT_EQ(window.prompts[1].text,
            "Вы действительно хотите сохранить образ диска на исходном диске E:\\?\n\rВнимание! Это не "
            "рекомендуется! Блокировка также будет отключена.");
  EXPECT_EQ(window.prompts[1].kind, PromptKind::Warning);
  EXPECT_EQ(window.prompts[1].buttons,
            ButtonSet({PromptButton::Yes, PromptButton::No, PromptButton::Cancel}));
  // After No the proposal is made again and the dialog reopens.
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "dialog диск_e 1"), 2);
  EXPECT_EQ(window.prompts[2].text.rfind("Диск E:\\ успешно скопирован", 0), 0u);
  EXPECT_FALSE(test::Exists(target));
}

TEST_F(CopyRequestTest, SameDriveYesUnticksTheLockAndCopies) {
  ops.Volume('E').totalFreeBytes = 10'000'000;
  window.selected.RootPath = "e:\\";  // letters differ only in case
  window.dialogAnswers = {dir / "e/x.IMA"};
  window.answers = {PromptResult::Yes};
  RunCopyRequest(ops, window);
  const auto untick = std::find(window.log.begin(), window.log.end(), "untick");
  ASSERT_NE(untick, window.log.end());
  EXPECT_EQ(*(untick + 1), "disable");
  EXPECT_NE(window.prompts[0].text.find("на исходном диске E:\\?"), std::string::npos);
}

TEST_F(CopyRequestTest, SameDriveCancelEndsWithoutAFile) {
  ops.Volume('E').totalFreeBytes = 10'000'000;
  window.dialogAnswers = {dir / "e/x.IMA"};
  window.answers = {PromptResult::Cancel};
  RunCopyRequest(ops, window);
  EXPECT_EQ(window.log.back(), "prompt");
  EXPECT_FALSE(test::Exists(dir / "e/x.IMA"));
}

TEST_F(CopyRequestTest, TargetWithoutDriveHasNoRoomAndIsNotTheSourceDrive) {
  const std::string target = dir / "x.IMA";  // no lettered drive holds this folder
  window.dialogAnswers = {target};
  window.answers = {PromptResult::Ignore, PromptResult::Ok};
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 2u);
  EXPECT_NE(window.prompts[0].text.find("Освободите " +
                                        FormatByteSize(static_cast<std::int64_t>(source.size())) + " "),
            std::string::npos);
  EXPECT_EQ(test::ReadFile(target), source);
}

TEST_F(CopyRequestTest, FailedCopyShowsNoSuccessButRestoresTheWindow) {
  ops.Volume('E').refuseOpen = true;
  window.dialogAnswers = {dir / "d/x.IMA"};
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.jobHost.prompts.size(), 1u);
  EXPECT_TRUE(window.prompts.empty());
  EXPECT_EQ(Tail(6), kRestore);
}

// The request over the real volume layer: copying a btrfs volume onto
// itself, into its top level or into a subvolume, asks for only what its free
// space lacks and then warns that the target is the source drive.
TEST(CopyRequestOnBtrfs, ATargetOnTheSourceVolumeIsTheSameDrive) {
  std::string why = test::LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  if (!test::HaveTool("mkfs.btrfs") || !test::HaveTool("btrfs"))
    GTEST_SKIP() << "btrfs-progs is not installed";
  test::TempDir dir;
  test::VolumeShape bare;
  bare.files = false;  // the subvolume below takes a name the files would use
  std::unique_ptr<test::TestVolume> volume =
      test::TestVolume::Make(test::VolumeKind::Btrfs, dir / "btrfs", why, bare);
  ASSERT_TRUE(volume) << why;
  const std::string top = dir / "top";
  ASSERT_TRUE(volume->Mount(top, why)) << why;
  ASSERT_EQ(test::Run("btrfs subvolume create " + test::Quote(top + "/sub")).status, 0);
  LinuxVolumeOps ops;
  const char letter = ops.Map().LetterOfDevice(volume->Name());
  if (letter == 0) GTEST_SKIP() << "no drive letter left for " << volume->Device();
  const std::int64_t length = GetDeviceLength(ops, kInvalidHandle, letter);
  const std::int64_t free = GetFreeBytes(ops, letter);
  ASSERT_EQ(length, 128 << 20);
  ASSERT_GT(free, 0);
  for (const std::string& target : {top + "/x.IMA", top + "/sub/x.IMA"}) {
    ScriptedWindow window(ops);
    window.selected.RootPath = RootPathOf(letter);
    window.selected.MediaType = "Локальный";
    window.dialogAnswers = {target};
    window.answers = {PromptResult::Ignore, PromptResult::Cancel};
    RunCopyRequest(ops, window);
    ASSERT_EQ(window.prompts.size(), 2u) << target;
    EXPECT_EQ(window.prompts[0].text.find("Освободите " + FormatByteSize(length) + " "), std::string::npos)
        << target << ": " << window.prompts[0].text;
    EXPECT_EQ(window.prompts[1].text,
              std::string("Вы действительно хотите сохранить образ диска на исходном диске ") + letter +
                  ":\\?\n\rВнимание! Это не рекомендуется! Блокировка также будет отключена.")
        << target;
    EXPECT_FALSE(test::Exists(target));
  }
}

// A folder on a file system with no block device behind it (tmpfs; NFS,
// sshfs and FUSE alike): its own free space, no false shortage, and prompts
// that name where it is mounted.
TEST(CopyRequestTmpfsTest, ATargetWithoutADeviceHasItsOwnFreeSpaceAndName) {
  const std::string why = test::LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << why;
  test::TempDir dir;
  const std::string source = dir / "source.bin";
  test::WriteFile(source, test::PatternBytes(4 << 20, 9));
  test::LoopDevice loop(source);
  ASSERT_TRUE(loop.Ok()) << loop.Error();
  const std::string roomy = dir / "roomy", tight = dir / "tight";
  const test::MountedVolume big("tmpfs", roomy, "tmpfs", 0, "size=64m");
  const test::MountedVolume small("tmpfs", tight, "tmpfs", 0, "size=2m");
  if (!big.Ok() || !small.Ok()) GTEST_SKIP() << "mount not allowed here: " << big.Error() << small.Error();
  OverrideSeparators(std::string(","), std::string(" "));
  LinuxVolumeOps ops;
  const char letter = ops.Map().LetterOfDevice(loop.Name());
  ASSERT_NE(letter, 0);
  EXPECT_EQ(GetTargetFreeBytes(ops, roomy + "/x.IMA"), 64 << 20);
  EXPECT_EQ(GetTargetFreeBytes(ops, roomy + "/not/yet/x.IMA"), 64 << 20) << "the nearest folder that exists";
  EXPECT_EQ(ops.DriveNameOfPath(roomy + "/x.IMA"), roomy);

  // Room enough: no prompt before the copy, and the progress shows it.
  ScriptedWindow window(ops);
  window.selected.RootPath = RootPathOf(letter);
  window.dialogAnswers = {roomy + "/x.IMA"};
  window.answers = {PromptResult::Ok};
  RunCopyRequest(ops, window);
  ASSERT_EQ(window.prompts.size(), 1u);
  EXPECT_EQ(window.prompts[0].text,
            "Диск " + RootPathOf(letter) + " успешно скопирован в " + roomy + "/x.IMA.");
  EXPECT_EQ(window.jobHost.Shown().at(0).freeText, FormatByteSize((64 << 20) - CopyBlockSize));

  // No room: the shortage is what the file system lacks, and the write
  // failure names the mount point.
  ScriptedWindow full(ops);
  full.selected.RootPath = RootPathOf(letter);
  full.dialogAnswers = {tight + "/x.IMA"};
  full.answers = {PromptResult::Ignore};
  full.jobHost.answers = {PromptResult::Ok, PromptResult::No};
  RunCopyRequest(ops, full);
  ASSERT_EQ(full.prompts.size(), 1u);
  EXPECT_NE(full.prompts[0].text.find("Освободите " + FormatByteSize((4 << 20) - (2 << 20)) + " "),
            std::string::npos)
      << full.prompts[0].text;
  ASSERT_GE(full.jobHost.prompts.size(), 1u);
  EXPECT_EQ(full.jobHost.prompts[0].text, "Диск " + tight + " переполнен или ошибка записи!");
  EXPECT_EQ(test::ListFolder(tight), std::vector<std::string>{});
  OverrideSeparators(std::nullopt, std::nullopt);
}

}  // namespace
}  // namespace vorkan
