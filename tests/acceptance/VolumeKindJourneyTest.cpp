// SPDX-License-Identifier: GPL-3.0-or-later
// A user copies a real volume from the main window: each kind of volume,
// mounted where this kernel can mount it and not, with the lock option on and
// off. The image must hold exactly the device's bytes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <tuple>

#include "Journey.h"
#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LinuxVolumeOps.h"

namespace vorkan::test {
namespace {

enum class Mounting { Unmounted, Mounted };
enum class Lock { On, Off };

using JourneyCase = std::tuple<VolumeKind, Mounting, Lock>;

class VolumeKindJourney : public ::testing::TestWithParam<JourneyCase> {
 protected:
  void SetUp() override {
    const std::string why = LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << "needs loop devices: " << why;
  }
  TempDir dir_;
};

TEST_P(VolumeKindJourney, ImageEqualsTheDevice) {
  const auto [kind, mounting, lock] = GetParam();
  const bool mounted = mounting == Mounting::Mounted;
  const bool locked = lock == Lock::On;
  std::string why;
  std::unique_ptr<TestVolume> volume = TestVolume::Make(kind, dir_.Path(), why);
  ASSERT_TRUE(volume) << why;
  // Read-only: a file system mounted for writing may write to its device
  // (its journal, its superblock) between the copy and the comparison.
  if (mounted && !volume->Mount(dir_ / "mnt", why, true)) GTEST_SKIP() << why;

  LinuxVolumeOps ops;  // made after the volume, as a program started now
  Windows windows(ops);
  MainWindow& f = windows.main();
  const char letter = ops.Map().LetterOfDevice(volume->Name());
  ASSERT_NE(letter, 0) << "no drive letter for " << volume->Name();
  ASSERT_TRUE(ClickDriveRow(f, letter)) << "no row for " << letter << ":\\";
  EXPECT_EQ(CellText(f, f.SelectedIndex(), DriveTableModel::Column::Label).toStdString(), volume->Label())
      << "the row shows another volume";

  const int fdsBefore = OpenDescriptorCount();
  Control<QCheckBox>(f, "lockCheckBox")->setChecked(locked);
  const std::string image = dir_ / "copy.IMA";
  TypeIntoSaveDialog(image);
  if (mounted && locked)
    windows.AnswerPrompts({PromptButton::Ignore, PromptButton::OK});
  else
    windows.AnswerPrompts({PromptButton::OK});

  // While the copy runs: whether anyone else could open the device for
  // themselves, that is, whether the copy holds the lock.
  int probes = 0;
  bool othersLockedOut = false;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!progressWindow->isVisible()) return;
    othersLockedOut = !CanOpenExclusive(volume->Device());
    ++probes;
    probe.stop();
  });
  probe.start();

  QTest::mouseClick(Control<QPushButton>(f, "copyButton"), Qt::LeftButton);
  probe.stop();

  const std::string shown = std::string(1, letter) + ":\\";
  std::size_t next = 0;
  if (mounted && locked) {
    ASSERT_GE(windows.prompts.size(), 1u);
    EXPECT_EQ(windows.prompts[0].kind, PromptKind::Warning);
    EXPECT_EQ(windows.prompts[0].text.rfind("Навозможно заблокировать диск " + shown + "!", 0), 0u)
        << windows.prompts[0].text;
    next = 1;
  }
  ASSERT_EQ(windows.prompts.size(), next + 1) << "unexpected prompt: " << windows.prompts.back().text;
  EXPECT_EQ(windows.prompts[next].kind, PromptKind::Information);
  EXPECT_EQ(windows.prompts[next].text, "Диск " + shown + " успешно скопирован в " + image + ".");

  EXPECT_EQ(SizeOf(image), SizeOf(volume->Device()));
  const std::string deviceSum = Sha256(volume->Device());
  ASSERT_FALSE(deviceSum.empty());
  EXPECT_EQ(Sha256(image), deviceSum) << "image differs from " << volume->Device();

  ASSERT_EQ(probes, 1) << "the progress window never showed";
  if (!mounted) {
    EXPECT_EQ(othersLockedOut, locked) << "the lock option was not obeyed";
  }
  // The box shows whether the copy ran locked: a refused lock ignored clears it.
  EXPECT_EQ(Control<QCheckBox>(f, "lockCheckBox")->isChecked(), locked && !mounted);
  ExpectAtRest(f, fdsBefore, volume->Device());
  if (!mounted) {
    EXPECT_TRUE(CanOpenExclusive(volume->Device())) << "the lock is still held";
  }
}

std::string CaseName(const ::testing::TestParamInfo<JourneyCase>& info) {
  const auto [kind, mounting, lock] = info.param;
  return std::string(KindName(kind)) + (mounting == Mounting::Mounted ? "Mounted" : "Unmounted") +
         (lock == Lock::On ? "Locked" : "Unlocked");
}

INSTANTIATE_TEST_SUITE_P(Kinds, VolumeKindJourney,
                         ::testing::Combine(::testing::Values(VolumeKind::Vfat, VolumeKind::Ext4,
                                                              VolumeKind::Btrfs, VolumeKind::Squashfs,
                                                              VolumeKind::Iso9660, VolumeKind::BareDisk,
                                                              VolumeKind::Partition),
                                            ::testing::Values(Mounting::Unmounted, Mounting::Mounted),
                                            ::testing::Values(Lock::On, Lock::Off)),
                         CaseName);

}  // namespace
}  // namespace vorkan::test
