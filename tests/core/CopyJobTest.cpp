// SPDX-License-Identifier: GPL-3.0-or-later
// The copy job against regular files playing volumes, where every fault can be
// made to happen at a chosen byte.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <deque>
#include <functional>
#include <stdexcept>

#include "ByteSize.h"
#include "CopyJob.h"
#include "LocaleSeparators.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "FileVolumeOps.h"
#include "volume/Image.h"
#include "volume/Volume.h"

namespace vorkan {
namespace {

using test::ProgressCall;
using test::RecordingHost;

constexpr std::int64_t B = CopyBlockSize;
const PromptButtons kOK = ButtonSet({PromptButton::OK});
const PromptButtons kYesNo = ButtonSet({PromptButton::Yes, PromptButton::No});

class CopyJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OverrideSeparators(std::string(","), std::string(" "));
    fdsBefore = test::OpenDescriptorCount();
    image = dir / "out.IMA";
    // The target folder lies on drive D, which has room to spare.
    FileVolume d;
    d.path = "/dev/null";
    d.totalFreeBytes = 5'000'000'000LL;
    ops.AddVolume('D', d);
    ops.SetPathLetter(dir.Path(), 'D');
  }
  void TearDown() override {
    // Whatever the ending: no descriptor, handle or lock is left behind.
    EXPECT_EQ(ops.openVolumes, 0);
    EXPECT_EQ(ops.openImages, 0);
    EXPECT_EQ(ops.locksHeld, 0);
    EXPECT_EQ(test::OpenDescriptorCount(), fdsBefore);
    OverrideSeparators(std::nullopt, std::nullopt);
  }

  FileVolume& MakeVolume(std::size_t size) {
    source = test::PatternBytes(size, 7);
    test::WriteFile(dir / "volume.bin", source);
    FileVolume v;
    v.path = dir / "volume.bin";
    v.label = "DATA";
    ops.AddVolume('E', v);
    return ops.Volume('E');
  }
  bool Copy() { return CopyDiskToImage(ops, host, 'E', image); }
  std::string Image() const { return test::ReadFile(image); }
  std::int64_t Total() const { return static_cast<std::int64_t>(source.size()) - TailMargin; }
  std::string KeepText(std::int64_t transferred) const {
    return "Вы хотите сохранить " + FormatByteSize(transferred) + " незавершенного файла (" +
           FormatByteSize(Total() - transferred) + " из " + FormatByteSize(Total()) + " отсутствует)?";
  }

  test::TempDir dir;
  FileVolumeOps ops;
  RecordingHost host;
  std::string source;
  std::string image;
  int fdsBefore = 0;
};

TEST_F(CopyJobTest, CopiesTheWholeVolumeAndReportsAfterEveryBlock) {
  MakeVolume(3 * B + 1000);
  // A larger old file of the chosen name is replaced, not overwritten in place.
  test::WriteFile(image, std::string(5 * B, 'x'));
  ASSERT_TRUE(Copy());
  EXPECT_EQ(Image(), source);
  EXPECT_TRUE(host.prompts.empty());
  EXPECT_EQ(ops.lockRequests, 0);
  EXPECT_EQ(ops.unlockRequests, 0);
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{false});

  // Four blocks, then one more report after the read that delivered nothing.
  const auto shown = host.Shown();
  ASSERT_EQ(shown.size(), 5u);
  const std::int64_t counts[] = {B, 2 * B, 3 * B, 3 * B + 1000, 3 * B + 1000};
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].caption, "Копирование диска E:\\");
    EXPECT_EQ(shown[i].fileName, image);
    EXPECT_EQ(shown[i].doneText, FormatByteSize(counts[i]) + " из " + FormatByteSize(Total()));
    EXPECT_EQ(shown[i].freeText, "4,7 Гб");
    EXPECT_EQ(shown[i].maximum, Total() / 512);
    EXPECT_EQ(shown[i].position, counts[i] / 512);
    EXPECT_EQ(host.titles[i],
              "Vorkan v1.2 - " + std::to_string(host.percents[i]) + "% (" + shown[i].doneText + ")");
  }
  EXPECT_EQ(shown[0].doneText, "256,0 Кб из " + FormatByteSize(Total()));
  // The title follows the gauge: 100 once the threshold is passed.
  EXPECT_EQ(host.percents.back(), 100);
  ASSERT_FALSE(host.progress.back().show);
  EXPECT_EQ(host.progress.back().caption, "Копирование диска E:\\");
}

TEST_F(CopyJobTest, TargetThatCannotBeCreatedStopsBeforeAnythingIsOpened) {
  MakeVolume(B);
  image = dir / "missing-folder/out.IMA";
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Ошибка чтения/записи диска D:\\!");
  EXPECT_EQ(host.prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(host.prompts[0].buttons, kOK);
  EXPECT_EQ(ops.bytesReadTotal, 0);
  EXPECT_TRUE(host.lockOptionSets.empty());
  EXPECT_TRUE(host.progress.empty());
}

TEST_F(CopyJobTest, VolumeThatCannotBeOpenedDeletesTheNewImage) {
  MakeVolume(B).refuseOpen = true;
  EXPECT_FALSE(Copy());
  EXPECT_FALSE(test::Exists(image));
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Диск E:\\ пуст, или ошибка чтения!");
  EXPECT_EQ(host.prompts[0].buttons, kOK);
  EXPECT_TRUE(host.progress.empty());
}

TEST_F(CopyJobTest, EmptyVolumeDeletesTheImageAndShowsNoProgress) {
  MakeVolume(0);
  host.lockOption = true;
  EXPECT_FALSE(Copy());
  EXPECT_FALSE(test::Exists(image));
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Диск E:\\ пуст, или ошибка чтения!");
  EXPECT_TRUE(host.progress.empty());
  EXPECT_EQ(ops.unlockRequests, 1);  // released before the handles close
}

const char* const kLockPrompt =
    "Навозможно заблокировать диск E:\\!\rПопробуйте закрыть все использующие его приложения и нажмите "
    "[Повтор],\rили нажмите [Игнорировать] для продолжения без блокировки диска.\r";

TEST_F(CopyJobTest, LockRefusedThenAbortLeavesAnEmptyImageButNeverReplacesOne) {
  MakeVolume(2 * B).refuseLock = -1;
  host.lockOption = true;
  host.answers = {PromptResult::Abort};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, kLockPrompt);
  EXPECT_EQ(host.prompts[0].kind, PromptKind::Warning);
  EXPECT_EQ(host.prompts[0].buttons,
            ButtonSet({PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}));
  ASSERT_TRUE(test::Exists(image));
  EXPECT_EQ(Image(), "");
  EXPECT_TRUE(host.lockOptionSets.empty());  // the check box is not touched
  EXPECT_TRUE(host.progress.empty());

  // An earlier image the user agreed to replace stays as it was.
  test::WriteFile(image, "old image");
  host.answers = {PromptResult::Abort};
  EXPECT_FALSE(Copy());
  EXPECT_EQ(Image(), "old image");
}

TEST_F(CopyJobTest, LockRefusedThenRetryAsksAgainUntilGranted) {
  MakeVolume(2 * B).refuseLock = 2;
  host.lockOption = true;
  host.answers = {PromptResult::Retry, PromptResult::Retry};
  EXPECT_TRUE(Copy());
  EXPECT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(ops.lockRequests, 3);
  EXPECT_EQ(ops.unlockRequests, 1);
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{true});
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, LockRefusedThenIgnoreCopiesUnlockedAndUnticksTheBox) {
  MakeVolume(2 * B).refuseLock = -1;
  host.lockOption = true;
  host.answers = {PromptResult::Ignore};
  EXPECT_TRUE(Copy());
  EXPECT_EQ(ops.lockRequests, 1);
  EXPECT_EQ(ops.unlockRequests, 0);
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{false});
  EXPECT_FALSE(host.lockOption);
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, LockPromptClosedWithoutAnswerCopiesWithTheFlagKept) {
  MakeVolume(2 * B).refuseLock = -1;
  host.lockOption = true;
  host.answers = {PromptResult::Cancel};
  EXPECT_TRUE(Copy());
  EXPECT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.lockOptionSets, std::vector<bool>{true});
  EXPECT_EQ(ops.unlockRequests, 1);  // sent, and without effect
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, ReadFaultKeepsOrDeletesWhatWasCopied) {
  MakeVolume(4 * B).throwReadAt = 2 * B;
  host.lockOption = true;
  host.answers = {PromptResult::Ok, PromptResult::Yes};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[0].text, "Диск E:\\ отсутствует или ошибка чтения!");
  EXPECT_EQ(host.prompts[0].buttons, kOK);
  EXPECT_EQ(host.prompts[1].text, KeepText(2 * B));
  EXPECT_EQ(host.prompts[1].kind, PromptKind::Confirmation);
  EXPECT_EQ(host.prompts[1].buttons, kYesNo);
  EXPECT_EQ(Image(), source.substr(0, 2 * B));
  EXPECT_FALSE(host.progress.back().show);
  EXPECT_EQ(ops.unlockRequests, 1);
}

TEST_F(CopyJobTest, ReadFaultOnTheFirstBlockAsksNothingMore) {
  MakeVolume(4 * B).throwReadAt = 0;
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Диск E:\\ отсутствует или ошибка чтения!");
  EXPECT_EQ(Image(), "");
}

TEST_F(CopyJobTest, WriteFailureKeepsExactlyTheBlocksThePromptCounts) {
  MakeVolume(4 * B);
  ops.Image().failWriteAfter = B + 100;
  ops.Image().writeErrno = EIO;
  host.answers = {PromptResult::Ok, PromptResult::Yes};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[0].text, "Диск D:\\ переполнен или ошибка записи!");
  EXPECT_EQ(host.prompts[1].text, KeepText(B));
  // The 100 bytes of the second block that reached the file are cut off again.
  EXPECT_EQ(Image().size(), static_cast<std::size_t>(B));
  EXPECT_TRUE(Image() == source.substr(0, B));
  EXPECT_FALSE(host.progress.back().show);
}

TEST_F(CopyJobTest, WriteFailureOnTheFirstBlockStillAsksToKeep) {
  MakeVolume(4 * B);
  ops.Image().failWriteAfter = 0;
  host.answers = {PromptResult::Ok, PromptResult::No};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[1].text, KeepText(0));
  EXPECT_FALSE(test::Exists(image));  // No deletes it
}

TEST_F(CopyJobTest, KeepOrDeleteAnswers) {
  MakeVolume(4 * B);
  for (PromptResult answer : {PromptResult::No, PromptResult::Yes, PromptResult::Cancel}) {
    host = RecordingHost();
    host.onPump = [](RecordingHost& h, int pump) {
      if (pump == 1) h.abortRequested = 1;
    };
    host.answers = {answer};
    EXPECT_FALSE(Copy());
    EXPECT_EQ(test::Exists(image), answer != PromptResult::No) << static_cast<int>(answer);
  }
}

TEST_F(CopyJobTest, AbortDuringAReportCopiesOneMoreBlock) {
  MakeVolume(6 * B);
  host.onPump = [](RecordingHost& h, int pump) {
    if (pump == 2) h.abortRequested = 1;  // confirmed inside the second report
  };
  host.answers = {PromptResult::No};
  EXPECT_FALSE(Copy());
  EXPECT_EQ(ops.bytesReadTotal, 3 * B);
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, KeepText(3 * B));
  EXPECT_FALSE(test::Exists(image));
  EXPECT_EQ(host.Shown().size(), 2u);
  EXPECT_FALSE(host.progress.back().show);
}

TEST_F(CopyJobTest, PauseSpinsWithoutReadingAndMarksCaptionAndTitle) {
  MakeVolume(5 * B);
  std::vector<std::int64_t> readWhilePaused;
  host.onPump = [&](RecordingHost& h, int pump) {
    if (pump == 2) h.pauseRequested = 1;
    if (pump > 2 && h.pauseRequested == 1) readWhilePaused.push_back(ops.bytesReadTotal);
    if (pump == 9) h.pauseRequested = 0;
  };
  EXPECT_TRUE(Copy());
  EXPECT_EQ(Image(), source);
  ASSERT_FALSE(readWhilePaused.empty());
  for (std::int64_t read : readWhilePaused) EXPECT_EQ(read, 3 * B);

  int paused = 0;
  const auto shown = host.Shown();
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const bool isPaused = shown[i].caption.rfind("[ПАУЗА] ", 0) == 0;
    if (!isPaused) continue;
    ++paused;
    EXPECT_EQ(shown[i].caption, "[ПАУЗА] Копирование диска E:\\");
    EXPECT_EQ(host.titles[i].rfind("[ПАУЗА] Vorkan v1.2 - ", 0), 0u) << host.titles[i];
    // The paused report repeats the figures of the block before it.
    EXPECT_EQ(shown[i].position, 3 * B / 512);
  }
  EXPECT_GE(paused, 3);
  // The report after resuming is unpaused and still shows three blocks.
  const auto firstAfter = std::find_if(shown.begin() + 3, shown.end(), [](const ProgressCall& c) {
    return c.caption.rfind("[ПАУЗА] ", 0) != 0;
  });
  ASSERT_NE(firstAfter, shown.end());
  EXPECT_EQ(firstAfter->position, 3 * B / 512);
}

TEST_F(CopyJobTest, AbortWhilePausedReadsNoFurtherBlock) {
  MakeVolume(5 * B);
  host.onPump = [](RecordingHost& h, int pump) {
    if (pump == 2) h.pauseRequested = 1;
    if (pump == 6) h.abortRequested = 1;
  };
  host.answers = {PromptResult::Yes};
  EXPECT_FALSE(Copy());
  EXPECT_EQ(ops.bytesReadTotal, 3 * B);
  EXPECT_EQ(Image(), source.substr(0, 3 * B));
  EXPECT_EQ(host.prompts.size(), 1u);
}

TEST_F(CopyJobTest, RetryAtTheEndOfDataReadsOnFromWhereItStopped) {
  FileVolume& v = MakeVolume(4 * B + 4096);
  v.failReadAt = 2 * B;
  v.failReads = 1;  // the medium answers again on the next try
  host.answers = {PromptResult::Retry};
  EXPECT_TRUE(Copy());
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Диск E:\\ отсутствует или ошибка чтения!");
  EXPECT_EQ(host.prompts[0].buttons, ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, CancelAtTheEndOfDataEndsIncomplete) {
  FileVolume& v = MakeVolume(4 * B);
  v.failReadAt = 2 * B;
  host.answers = {PromptResult::Retry, PromptResult::Cancel, PromptResult::Yes};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 3u);
  EXPECT_EQ(host.prompts[1].buttons, ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
  EXPECT_EQ(host.prompts[2].text, KeepText(2 * B));
  EXPECT_EQ(Image(), source.substr(0, 2 * B));
}

TEST_F(CopyJobTest, CompletionThresholdLeavesRoomForAShortTail) {
  // The volume reports more than it delivers: up to 111,104 bytes short is complete.
  FileVolume& v = MakeVolume(3 * B);
  v.reportedLength = 3 * B + TailMargin;
  EXPECT_TRUE(Copy());
  EXPECT_TRUE(host.prompts.empty());

  host = RecordingHost();
  ops.Volume('E').reportedLength = 3 * B + TailMargin + 1;
  host.answers = {PromptResult::Cancel, PromptResult::Yes};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 2u);
  EXPECT_EQ(host.prompts[0].buttons, ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
}

TEST_F(CopyJobTest, ShortReadsAreCopiedAsDelivered) {
  MakeVolume(3 * B).shortReadAt = B + 1234;
  EXPECT_TRUE(Copy());
  EXPECT_EQ(Image(), source);
  EXPECT_EQ(host.Shown()[1].doneText.rfind(FormatByteSize(B + 1234), 0), 0u);
}

TEST_F(CopyJobTest, RequestsDuringTheLastReportAreNotActedOn) {
  MakeVolume(2 * B);
  host.onPump = [](RecordingHost& h, int pump) {
    if (pump == 3) {  // the report after the read that delivered nothing
      h.abortRequested = 1;
      h.pauseRequested = 1;
    }
  };
  EXPECT_TRUE(Copy());
  EXPECT_TRUE(host.prompts.empty());
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, AbortAfterTheThresholdShowsTheMissingPartAsZero) {
  MakeVolume(3 * B);
  host.onPump = [](RecordingHost& h, int pump) {
    if (pump == 2) h.abortRequested = 1;
  };
  host.answers = {PromptResult::Yes};
  EXPECT_FALSE(Copy());
  ASSERT_EQ(host.prompts.size(), 1u);
  EXPECT_EQ(host.prompts[0].text, "Вы хотите сохранить 768,0 Кб незавершенного файла (0 б из " +
                                      FormatByteSize(Total()) + " отсутствует)?");
}

TEST_F(CopyJobTest, TinyVolumeNeverGivesTheGaugeANegativeMaximum) {
  MakeVolume(50'000);  // below the tail margin: the threshold is negative
  EXPECT_TRUE(Copy());
  EXPECT_FALSE(host.negativeMaximumSeen);
  for (const auto& call : host.Shown()) EXPECT_GE(call.maximum, 0);
  EXPECT_EQ(host.percents.back(), 100);
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, UnknownLengthStillCopiesEverything) {
  MakeVolume(2 * B + 17).lengthFails = true;
  EXPECT_TRUE(Copy());
  EXPECT_FALSE(host.negativeMaximumSeen);
  EXPECT_EQ(Image(), source);
}

TEST_F(CopyJobTest, AnImageTheSystemCannotFlushOrCloseIsAWriteFailure) {
  MakeVolume(2 * B);
  struct Row {
    const char* fault;
    bool ImageFaults::*flag;
  };
  for (const Row& row :
       {Row{"failed flush", &ImageFaults::failFlush}, Row{"failed close", &ImageFaults::failClose}}) {
    ops.Image() = ImageFaults{};
    ops.Image().*row.flag = true;
    ops.unlockRequests = 0;
    host = RecordingHost();
    host.lockOption = true;
    host.answers = {PromptResult::Ok, PromptResult::Yes};
    EXPECT_FALSE(Copy()) << row.fault;
    ASSERT_EQ(host.prompts.size(), 2u) << row.fault;
    EXPECT_EQ(host.prompts[0].text, "Диск D:\\ переполнен или ошибка записи!") << row.fault;
    EXPECT_EQ(host.prompts[0].buttons, kOK) << row.fault;
    EXPECT_EQ(host.prompts[1].text, KeepText(2 * B)) << row.fault;
    EXPECT_EQ(ops.unlockRequests, 1) << row.fault;
    EXPECT_FALSE(host.progress.back().show) << row.fault;
    EXPECT_EQ(Image(), source) << row.fault << ": the kept image";
  }
}

TEST_F(CopyJobTest, AKeptImageEndingInZeroBlocksHasTheLengthThePromptNames) {
  // Data, two blocks of zeros (skipped as holes), then data again.
  source = test::PatternBytes(B, 7) + std::string(2 * B, '\0') + test::PatternBytes(2 * B, 8);
  test::WriteFile(dir / "volume.bin", source);
  FileVolume v;
  v.path = dir / "volume.bin";
  ops.AddVolume('E', v);
  struct Row {
    const char* ending;
    std::function<void(RecordingHost&)> setUp;
  };
  const Row rows[] = {
      {"abort after the zeros",
       [](RecordingHost& h) {
         // Set during the second block's report: the third is copied, then the job stops.
         h.onPump = [](RecordingHost& host, int pump) {
           if (pump == 2) host.abortRequested = 1;
         };
         h.answers = {PromptResult::Yes};
       }},
      {"write failure after the zeros",
       [this](RecordingHost& h) {
         ops.Image().failWriteAfter = 3 * B;
         h.answers = {PromptResult::Ok, PromptResult::Yes};
       }},
      {"write failure part way into the next block",
       [this](RecordingHost& h) {
         ops.Image().failWriteAfter = 3 * B + 1000;
         h.answers = {PromptResult::Ok, PromptResult::Yes};
       }},
  };
  for (const Row& row : rows) {
    ops.Image() = ImageFaults{};
    host = RecordingHost();
    row.setUp(host);
    EXPECT_FALSE(Copy()) << row.ending;
    ASSERT_FALSE(host.prompts.empty()) << row.ending;
    EXPECT_EQ(host.prompts.back().text, KeepText(3 * B)) << row.ending;
    EXPECT_EQ(test::SizeOf(image), 3 * B) << row.ending;
    EXPECT_TRUE(Image() == source.substr(0, 3 * B)) << row.ending << ": not the volume's prefix";
  }
}

class ThrowingHost : public RecordingHost {
 public:
  void ShowCopyProgress(const std::string&, const std::string&, const std::string&, const std::string&,
                        std::int32_t, std::int32_t, bool) override {
    throw std::runtime_error("window gone");
  }
};

TEST_F(CopyJobTest, AFaultInTheHostStillReleasesTheLockAndHandles) {
  MakeVolume(2 * B);
  ThrowingHost throwing;
  throwing.lockOption = true;
  EXPECT_THROW(CopyDiskToImage(ops, throwing, 'E', image), std::runtime_error);
  EXPECT_EQ(ops.unlockRequests, 1);
}

TEST_F(CopyJobTest, TargetLetterOfAPathWithoutDriveHasNoFreeSpace) {
  MakeVolume(2 * B);
  FileVolumeOps plain;  // no folder is on a lettered drive
  FileVolume v = ops.Volume('E');
  plain.AddVolume('E', v);
  EXPECT_TRUE(CopyDiskToImage(plain, host, 'E', image));
  EXPECT_EQ(host.Shown()[0].freeText, "0 б");
  EXPECT_EQ(test::ReadFile(image), source);
}

// The steps of the endings on one timeline: the releases, closes, keeps and
// deletes of the volume layer and the host's prompts and closing report.
using Timeline = std::vector<std::string>;

class TimelineOps : public FileVolumeOps {
 public:
  explicit TimelineOps(Timeline& steps) : steps_(steps) {}
  ImageHandle CreateImage(const std::string& path, const std::optional<FileIdentity>& replaces) override {
    steps_.push_back("create image");
    return FileVolumeOps::CreateImage(path, replaces);
  }
  VolumeHandle OpenVolume(char letter) override {
    steps_.push_back("open volume");
    return FileVolumeOps::OpenVolume(letter);
  }
  void UnlockVolume(VolumeHandle handle) override {
    steps_.push_back("release");
    FileVolumeOps::UnlockVolume(handle);
  }
  bool FlushImage(ImageHandle image, std::int64_t length) override {
    steps_.push_back("flush image");
    return FileVolumeOps::FlushImage(image, length);
  }
  bool KeepImage(ImageHandle image, bool beside, std::string& keptPath) override {
    steps_.push_back(beside ? "keep image" : "keep image where none is");
    return FileVolumeOps::KeepImage(image, beside, keptPath);
  }
  bool CloseImage(ImageHandle image) override {
    steps_.push_back("close image");
    return FileVolumeOps::CloseImage(image);
  }
  void CloseVolume(VolumeHandle handle) override {
    steps_.push_back("close volume");
    FileVolumeOps::CloseVolume(handle);
  }
  bool DeleteImage(ImageHandle image) override {
    steps_.push_back("delete image");
    return FileVolumeOps::DeleteImage(image);
  }

 private:
  Timeline& steps_;
};

class TimelineHost : public RecordingHost {
 public:
  explicit TimelineHost(Timeline& steps) : steps_(steps) {}
  PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                          PromptButtons buttons) override {
    steps_.push_back(Step(id));
    return RecordingHost::ShowPrompt(id, text, kind, buttons);
  }
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override {
    if (!show) steps_.push_back("hide");
    RecordingHost::ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
  }

 private:
  static std::string Step(PromptId id) {
    switch (id) {
      case PromptId::ImageNotCreated: return "create-failed prompt";
      case PromptId::SourceUnreadable: return "empty prompt";
      case PromptId::LockRefused: return "lock prompt";
      case PromptId::WriteFailed: return "write-failure prompt";
      case PromptId::NotKept: return "not-kept prompt";
      case PromptId::KeptElsewhere: return "kept-elsewhere prompt";
      case PromptId::KeepPartial: return "keep-or-delete";
      case PromptId::SourceMissing: return "read-fault prompt";
      case PromptId::EndOfDataEarly: return "end-of-data prompt";
      default: return "prompt";
    }
  }
  Timeline& steps_;
};

// Every ending, with a file of the chosen name there before: its steps in
// order, and what is left under the name: the old file, byte for byte and
// with its mode, wherever the image is not kept; the kept bytes, private,
// where it is. Nothing else is left in the folder.
TEST_F(CopyJobTest, EachEndingTakesItsStepsInOrderAndCostsNothingItDoesNotKeep) {
  MakeVolume(4 * B);
  const std::string old = "the image of an earlier copy";
  constexpr std::int64_t kOld = -1;
  struct Row {
    const char* ending;
    std::function<void(FileVolumeOps&, RecordingHost&, std::string& target)> setUp;
    Timeline steps;
    std::int64_t left;  // bytes of the source under the name, or kOld
    bool oldFile = true;
  };
  const Timeline opened = {"create image", "open volume"};
  auto after = [&](Timeline more) {
    more.insert(more.begin(), opened.begin(), opened.end());
    return more;
  };
  const Timeline closed = {"release", "close image", "close volume"};
  auto closing = [&](Timeline before, Timeline more) {
    before.insert(before.end(), closed.begin(), closed.end());
    before.insert(before.end(), more.begin(), more.end());
    return after(before);
  };
  auto abortAtFirstPump = [](PromptResult keep) {
    return [keep](FileVolumeOps&, RecordingHost& h, std::string&) {
      h.onPump = [](RecordingHost& host, int pump) {
        if (pump == 1) host.abortRequested = 1;
      };
      h.answers = {keep};
    };
  };
  const Row rows[] = {
      {"create failed",
       [&](FileVolumeOps&, RecordingHost&, std::string& t) { t = dir / "no/out.IMA"; },
       {"create image", "create-failed prompt"},
       kOld},
      {"open failed", [](FileVolumeOps& o, RecordingHost&, std::string&) { o.Volume('E').refuseOpen = true; },
       after({"close image", "delete image", "empty prompt"}), kOld},
      {"lock aborted",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Volume('E').refuseLock = -1;
         h.answers = {PromptResult::Abort};
       },
       after({"lock prompt", "close volume", "close image", "keep image where none is"}), kOld},
      // Where nothing stood, the empty image stays.
      {"lock aborted, no file before",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Volume('E').refuseLock = -1;
         h.answers = {PromptResult::Abort};
       },
       after({"lock prompt", "close volume", "close image", "keep image where none is"}), 0, false},
      {"empty volume",
       [&](FileVolumeOps& o, RecordingHost&, std::string&) {
         test::WriteFile(dir / "empty.bin", "");
         o.Volume('E').path = dir / "empty.bin";
       },
       after({"empty prompt", "release", "close image", "close volume", "delete image"}), kOld},
      {"read fault, not kept",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Volume('E').throwReadAt = 2 * B;
         h.answers = {PromptResult::Ok, PromptResult::No};
       },
       closing({"read-fault prompt"}, {"keep-or-delete", "delete image", "hide"}), kOld},
      {"read fault at once",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Volume('E').throwReadAt = 0;
         h.answers = {PromptResult::Ok};
       },
       closing({"read-fault prompt"}, {"keep image where none is", "hide"}), kOld},
      {"write failure, kept",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Image().failWriteAfter = B;
         h.answers = {PromptResult::Ok, PromptResult::Yes};
       },
       closing({"write-failure prompt"}, {"keep-or-delete", "keep image", "hide"}), B},
      {"abort, kept", abortAtFirstPump(PromptResult::Yes),
       closing({}, {"keep-or-delete", "keep image", "hide"}), 2 * B},
      // The close box of the keep prompt, and every prompt while the program closes.
      {"abort, closed", abortAtFirstPump(PromptResult::Cancel),
       closing({}, {"keep-or-delete", "keep image", "hide"}), 2 * B},
      {"abort, not kept", abortAtFirstPump(PromptResult::No),
       closing({}, {"keep-or-delete", "delete image", "hide"}), kOld},
      {"incomplete",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Volume('E').failReadAt = 2 * B;
         h.answers = {PromptResult::Cancel, PromptResult::Yes};
       },
       closing({"end-of-data prompt"}, {"keep-or-delete", "keep image", "hide"}), 2 * B},
      // Only a success waits for the image to reach the disk, and it is put
      // under its name before anything is closed.
      {"success", [](FileVolumeOps&, RecordingHost&, std::string&) {},
       closing({"flush image", "keep image"}, {"hide"}), 4 * B},
      {"flush failure",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Image().failFlush = true;
         h.answers = {PromptResult::Ok, PromptResult::No};
       },
       closing({"flush image", "write-failure prompt"}, {"keep-or-delete", "delete image", "hide"}), kOld},
      // A file system that took every byte and kept a block of them.
      {"length short",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Image().keepOnly = B;
         h.answers = {PromptResult::Ok, PromptResult::No};
       },
       closing({"flush image", "write-failure prompt"}, {"keep-or-delete", "delete image", "hide"}), kOld},
      {"name not set",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Image().failKeep = true;
         h.answers = {PromptResult::Ok, PromptResult::Yes};
       },
       closing({"flush image", "keep image", "write-failure prompt"},
               {"keep-or-delete", "keep image", "not-kept prompt", "hide"}),
       kOld},
      {"close failure",
       [](FileVolumeOps& o, RecordingHost& h, std::string&) {
         o.Image().failClose = true;
         h.answers = {PromptResult::Ok, PromptResult::Yes};
       },
       closing({"flush image", "keep image"},
               {"write-failure prompt", "keep-or-delete", "keep image", "hide"}),
       4 * B},
  };
  for (const Row& row : rows) {
    const test::TempDir targetDir;
    Timeline steps;
    TimelineOps recorded(steps);
    recorded.AddVolume('D', ops.Volume('D'));
    recorded.AddVolume('E', ops.Volume('E'));
    recorded.SetPathLetter(targetDir.Path(), 'D');
    TimelineHost timelineHost(steps);
    timelineHost.lockOption = true;
    std::string target = targetDir / "out.IMA";
    if (row.oldFile) {
      test::WriteFile(target, old);
      ::chmod(target.c_str(), 0644);
    }
    row.setUp(recorded, timelineHost, target);
    EXPECT_EQ(CopyDiskToImage(recorded, timelineHost, 'E', target), std::string(row.ending) == "success")
        << row.ending;
    EXPECT_EQ(steps, row.steps) << row.ending;
    EXPECT_EQ(recorded.openVolumes + recorded.openImages + recorded.locksHeld, 0) << row.ending;

    const std::string name = targetDir / "out.IMA";
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0) << row.ending;
    if (row.left == kOld) {
      EXPECT_EQ(test::ReadFile(name), old) << row.ending;
      EXPECT_EQ(st.st_mode & 0777, 0644u) << row.ending;
    } else {
      EXPECT_EQ(test::ReadFile(name), source.substr(0, static_cast<std::size_t>(row.left))) << row.ending;
      EXPECT_EQ(st.st_mode & 0777, 0600u) << row.ending;
    }
    EXPECT_EQ(test::ListFolder(targetDir.Path()), std::vector<std::string>{"out.IMA"}) << row.ending;
  }
}

// An owner left without a close closes what it holds, the lock first, and
// throws away an image nobody kept; the one it was moved from closes nothing.
TEST_F(CopyJobTest, AnOwnerLeftWithoutACloseClosesWhatItHoldsOnce) {
  MakeVolume(B);
  Timeline steps;
  TimelineOps recorded(steps);
  recorded.AddVolume('E', ops.Volume('E'));
  {
    vorkan::Image owned(recorded, image, std::nullopt);
    vorkan::Volume first(recorded, 'E');
    vorkan::Volume second = std::move(first);
    ASSERT_TRUE(second.Lock());
    ASSERT_TRUE(owned.Append(source.data(), 1000));
  }
  EXPECT_EQ(steps, (Timeline{"create image", "open volume", "release", "close volume", "close image",
                             "delete image"}));
  EXPECT_EQ(recorded.openVolumes + recorded.openImages + recorded.locksHeld, 0);
  EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"volume.bin"});
}

}  // namespace
}  // namespace vorkan
