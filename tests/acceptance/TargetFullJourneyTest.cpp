// SPDX-License-Identifier: GPL-3.0-or-later
// A user saves the image on a file system far too small for it: warned of the
// shortage, goes on anyway, the disk fills up, and keeps what was written.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "ByteSize.h"
#include "CopyJob.h"
#include "Journey.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"
#include "volume/VolumeRoutines.h"

namespace vorkan::test {
namespace {

TEST(TargetFullJourney, ShortageIgnoredDiskFullPrefixKept) {
  const std::string why = LoopDevicesUnavailable();
  if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
  if (!HaveTool("mkfs.ext4")) GTEST_SKIP() << "needs mkfs.ext4 for the small target";
  TempDir dir;
  std::string made;
  std::unique_ptr<TestVolume> source = TestVolume::Make(VolumeKind::BareDisk, dir / "source", made);
  ASSERT_TRUE(source) << made;
  // The target: a 4 MiB ext4 volume, mounted.
  VolumeShape small;
  small.size = "4M";
  small.files = false;
  std::unique_ptr<TestVolume> target = TestVolume::Make(VolumeKind::Ext4, dir / "target", made, small);
  ASSERT_TRUE(target) << made;
  ASSERT_TRUE(target->Mount(dir / "small", made)) << made;

  LinuxVolumeOps ops;
  Windows windows(ops);
  MainWindow& f = windows.main();
  const char sourceLetter = ops.Map().LetterOfDevice(source->Name());
  const char targetLetter = ops.Map().LetterOfDevice(target->Name());
  ASSERT_NE(targetLetter, 0);
  ASSERT_TRUE(ClickDriveRow(f, sourceLetter));
  const std::int64_t length = SizeOf(source->Device());
  const std::int64_t free = GetFreeBytes(ops, targetLetter);
  ASSERT_LT(free, length);
  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(true);
  const std::string image = dir / "small/copy.IMA";
  TypeIntoSaveDialog(image);
  windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK, PromptButton::Yes});

  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);

  ASSERT_EQ(windows.prompts.size(), 3u);
  EXPECT_EQ(windows.prompts[0].kind, PromptKind::Error);
  EXPECT_EQ(windows.prompts[0].text, "Недостаточно места на диске!\n\rОсвободите " +
                                         FormatByteSize(length - free) +
                                         " и нажмите [Повтор] для сохранения полного образа,\n\rили нажмите "
                                         "[Игнорировать] для продолжения.");
  EXPECT_EQ(windows.prompts[1].kind, PromptKind::Error);
  EXPECT_EQ(windows.prompts[1].text,
            "Диск " + std::string(1, targetLetter) + ":\\ переполнен или ошибка записи!");
  const std::string kept = ReadFile(image);
  ASSERT_GT(kept.size(), 0u);
  ASSERT_LT(static_cast<std::int64_t>(kept.size()), length);
  const std::int64_t total = length - TailMargin;
  const std::int64_t written = static_cast<std::int64_t>(kept.size());
  EXPECT_EQ(windows.prompts[2].kind, PromptKind::Confirmation);
  EXPECT_EQ(windows.prompts[2].text, "Вы хотите сохранить " + FormatByteSize(written) +
                                         " незавершенного файла (" + FormatByteSize(total - written) +
                                         " из " + FormatByteSize(total) + " отсутствует)?");
  // Exactly the beginning of the volume.
  EXPECT_EQ(Sha256(image), Sha256OfPrefix(source->Device(), written));
  ExpectAtRest(f, fdsBefore, source->Device());
  EXPECT_TRUE(CanOpenExclusive(source->Device()));
}

}  // namespace
}  // namespace vorkan::test
