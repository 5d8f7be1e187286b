// SPDX-License-Identifier: GPL-3.0-or-later
// LinuxVolumeOps with a DeviceOpener, over a real loop volume whose node the
// process may not open: the node is made again on a tmpfs mounted nodev,
// where the kernel refuses every open of it with EACCES, even root's. The
// fake opener opens the real device with the flags it is given, so reads,
// lengths and exclusive opens are the kernel's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "ByteSize.h"
#include "DriveCatalogue.h"
#include "DriveListModel.h"
#include "LocaleSeparators.h"
#include "LoopDevice.h"
#include "MountedVolume.h"
#include "TestSupport.h"
#include "volume/LinuxVolumeOps.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

using test::Quote;

constexpr std::int64_t kVolumeSize = 1474560;

struct OpenCall {
  std::string path;
  int extraFlags;
  bool mayAsk;
  bool operator==(const OpenCall&) const = default;
};

void PrintTo(const OpenCall& call, std::ostream* os) {
  *os << "{" << call.path << ", flags " << call.extraFlags << (call.mayAsk ? ", may ask}" : ", asks nobody}");
}

// Opens the real device for whoever asks, unless told to refuse; records
// every call.
class FakeOpener : public DeviceOpener {
 public:
  explicit FakeOpener(std::string realDevice) : realDevice_(std::move(realDevice)) {}

  int Open(const std::string& devicePath, int extraFlags, bool mayAsk) override {
    opens.push_back({devicePath, extraFlags, mayAsk});
    const int refusal = (extraFlags & O_EXCL) != 0 ? refuseLock : refuseOpen;
    if (refusal != 0) {
      errno = refusal;
      return -1;
    }
    return ::open(realDevice_.c_str(), O_RDONLY | O_CLOEXEC | extraFlags);
  }
  bool Properties(const std::string& devicePath, BlockProperties& out) override {
    propertyQueries.push_back(devicePath);
    if (!properties) return false;
    out = *properties;
    return true;
  }

  int refuseOpen = 0;  // errno for refused opens (0: open)
  int refuseLock = 0;  // the same for opens with O_EXCL
  std::optional<BlockProperties> properties;
  std::vector<OpenCall> opens;
  std::vector<std::string> propertyQueries;

 private:
  std::string realDevice_;
};

bool CanOpenExclusive(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

class OpenerVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = test::LoopDevicesUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    if (!test::HaveTool("mkfs.vfat")) GTEST_SKIP() << "mkfs.vfat is not installed";
    const std::string image = dir_ / "floppy.img";
    ASSERT_EQ(test::Run("truncate -s " + std::to_string(kVolumeSize) + " " + Quote(image)).status, 0);
    ASSERT_EQ(test::Run("mkfs.vfat -n DEVICEFAT -i 0BADF00D " + Quote(image)).status, 0);
    loop_ = std::make_unique<test::LoopDevice>(image);
    if (!loop_->Ok()) GTEST_SKIP() << "losetup failed: " << loop_->Error();
    // The device's node again where no device may be opened.
    devDir_ = std::make_unique<test::MountedVolume>("tmpfs", dir_ / "dev", "tmpfs", MS_NODEV, "size=64k");
    if (!devDir_->Ok()) GTEST_SKIP() << "cannot mount a tmpfs: " << devDir_->Error();
    struct stat st {};
    ASSERT_EQ(::stat(loop_->Device().c_str(), &st), 0);
    node_ = dir_ / ("dev/" + loop_->Name());
    ASSERT_EQ(::mknod(node_.c_str(), S_IFBLK | 0600, st.st_rdev), 0);
    ASSERT_LT(::open(node_.c_str(), O_RDONLY | O_CLOEXEC), 0) << "the nodev node opened";
    ASSERT_EQ(errno, EACCES);

    DriveLetterSources sources;
    sources.devDir = dir_ / "dev";
    ops_ = std::make_unique<LinuxVolumeOps>(sources, dir_ / "no-disk-links");
    opener_ = std::make_unique<FakeOpener>(loop_->Device());
    letter_ = ops_->Map().LetterOfDevice(loop_->Name());
    if (letter_ == 0) GTEST_SKIP() << "no drive letter left for " << loop_->Name();
    ASSERT_EQ(ops_->Map().VolumeOfLetter(letter_)->devicePath, node_);
    descriptorsBefore_ = test::OpenDescriptorCount();
  }
  void TearDown() override {
    if (ops_) {
      EXPECT_EQ(test::OpenDescriptorCount(), descriptorsBefore_) << "a descriptor was left open";
    }
  }

  VolumeHandle Open() { return ops_->OpenVolume(letter_); }
  std::string FirstBlock(VolumeHandle handle) {
    std::string block(CopyBlockSize, '\0');
    block.resize(ops_->ReadVolume(handle, block.data(), CopyBlockSize));
    return block;
  }

  test::TempDir dir_;
  std::unique_ptr<test::LoopDevice> loop_;
  std::unique_ptr<test::MountedVolume> devDir_;
  std::string node_;
  std::unique_ptr<LinuxVolumeOps> ops_;
  std::unique_ptr<FakeOpener> opener_;
  char letter_ = 0;
  int descriptorsBefore_ = 0;
};

// Which handle an open of the unreadable node gives: with interaction on,
// the opener's (asked with mayAsk); off, a length-only one that reads
// nothing and asks nobody; without an opener, none for the copy.
TEST_F(OpenerVolume, OpenOfAnUnreadableNode) {
  struct Case {
    const char* name;
    bool withOpener;
    bool interaction;
    int refuseOpen;
    bool properties;
    bool opens;
    std::int64_t length;  // through VolumeLength
    bool reads;
    std::vector<OpenCall> calls;
  };
  const std::int64_t told = kVolumeSize + 4096;  // what the opener's properties say
  const std::vector<Case> cases = {
      {"no opener", false, true, 0, true, false, 0, false, {}},
      {"authorized", true, true, 0, true, true, kVolumeSize, true, {{node_, 0, true}}},
      {"refused", true, true, EACCES, true, false, 0, false, {{node_, 0, true}}},
      {"busy", true, true, EBUSY, true, false, 0, false, {{node_, 0, true}}},
      {"listing", true, false, 0, true, true, told, false, {}},
      // Without the service the kernel still tells the size.
      {"listing, no service", true, false, 0, false, true, kVolumeSize, false, {}},
      {"listing, no opener", false, false, 0, false, true, kVolumeSize, false, {}},
  };
  const std::string device = test::ReadFile(loop_->Device()).substr(0, CopyBlockSize);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    opener_->opens.clear();
    opener_->refuseOpen = c.refuseOpen;
    opener_->properties.reset();
    if (c.properties) opener_->properties = BlockProperties{static_cast<std::uint64_t>(told), "", "vfat", ""};
    ops_->SetDeviceOpener(c.withOpener ? opener_.get() : nullptr);
    ops_->SetInteractionAllowed(c.interaction);

    const VolumeHandle h = Open();
    EXPECT_EQ(h != kInvalidHandle, c.opens);
    EXPECT_EQ(opener_->opens, c.calls);
    std::int64_t length = 0;
    EXPECT_EQ(ops_->VolumeLength(h, length), c.opens);
    EXPECT_EQ(length, c.length);
    if (h != kInvalidHandle) {
      EXPECT_FALSE((::fcntl(h, F_GETFD) & FD_CLOEXEC) == 0) << "a child would inherit the disk";
      EXPECT_EQ(FirstBlock(h) == device, c.reads);
      if (!c.reads) {
        EXPECT_FALSE(ops_->LockVolume(h)) << "a handle that reads nothing is locked";
      }
      ops_->CloseVolume(h);
    }
    // The routines the drive list and the room check call.
    EXPECT_EQ(GetDeviceLength(*ops_, kInvalidHandle, letter_), c.length);
  }
  // A node the process may open never goes to the opener.
  LinuxVolumeOps direct;
  direct.SetDeviceOpener(opener_.get());
  direct.SetInteractionAllowed(true);
  opener_->opens.clear();
  const VolumeHandle h = direct.OpenDevicePath(loop_->Device());
  ASSERT_NE(h, kInvalidHandle);
  direct.CloseVolume(h);
  EXPECT_TRUE(opener_->opens.empty());
}

// The lock of an opener's handle: a second open through it with O_EXCL,
// asking only while interaction is on, held until unlock or close; busy or
// refused is a refused lock.
TEST_F(OpenerVolume, LockThroughTheOpener) {
  struct Case {
    const char* name;
    bool interactionAtLock;
    int refuseLock;
    bool othersHold;
    bool locks;
  };
  const std::vector<Case> cases = {
      {"held", true, 0, false, true},
      {"held, asked nobody", false, 0, false, true},
      {"refused", true, EACCES, false, false},
      {"busy", true, 0, true, false},
  };
  ops_->SetDeviceOpener(opener_.get());
  for (const Case& c : cases) {
    for (const bool byClose : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (byClose ? ", closed" : ", unlocked"));
      opener_->refuseLock = c.refuseLock;
      ops_->SetInteractionAllowed(true);
      const VolumeHandle h = Open();
      ASSERT_NE(h, kInvalidHandle);
      ops_->SetInteractionAllowed(c.interactionAtLock);
      const int other = c.othersHold ? ::open(loop_->Device().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC) : -1;
      if (c.othersHold) {
        ASSERT_GE(other, 0);
      }
      opener_->opens.clear();
      EXPECT_EQ(ops_->LockVolume(h), c.locks);
      EXPECT_EQ(opener_->opens, (std::vector<OpenCall>{{node_, O_EXCL, c.interactionAtLock}}));
      if (other >= 0) ::close(other);
      EXPECT_EQ(CanOpenExclusive(loop_->Device()), !c.locks) << "the lock does not keep others out";
      EXPECT_EQ(FirstBlock(h).size(), CopyBlockSize) << "the locked handle reads on";
      if (byClose) {
        ops_->CloseVolume(h);
      } else {
        ops_->UnlockVolume(h);
      }
      EXPECT_TRUE(CanOpenExclusive(loop_->Device())) << "the lock outlived its release";
      if (!byClose) ops_->CloseVolume(h);
    }
  }
}

// The details of a volume the process cannot probe: the opener's
// properties, decoded as a probe's would be; without them, what the mount
// table and udev's links tell (nothing here, the volume is not mounted).
TEST_F(OpenerVolume, DetailsFromTheOpenersProperties) {
  struct Case {
    const char* name;
    bool withOpener;
    std::optional<BlockProperties> properties;
    bool ok;
    const char* label;
    const char* fileSystem;
    const char* serial;
  };
  const std::vector<Case> cases = {
      {"vfat", true, BlockProperties{kVolumeSize, "DEVICEFAT", "vfat", "0BAD-F00D"}, true, "DEVICEFAT",
       "vfat", "0BADF00D"},
      // A FAT label written by DOS, in the OEM code page.
      {"vfat, code page 866", true, BlockProperties{kVolumeSize, "\x8f\x90\x88\x82\x85\x92", "vfat", ""},
       true, "ПРИВЕТ", "vfat", "00000000"},
      {"ext4", true,
       BlockProperties{kVolumeSize, "vorkan ext", "ext4", "c0ffee11-2233-4455-6677-8899aabbccdd"}, true,
       "vorkan ext", "ext4", "C0FFEE11"},
      {"no file system", true, BlockProperties{kVolumeSize, "", "", ""}, false, "", "", ""},
      {"no service", true, std::nullopt, false, "", "", ""},
      {"no opener", false, std::nullopt, false, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    opener_->properties = c.properties;
    opener_->propertyQueries.clear();
    ops_->SetDeviceOpener(c.withOpener ? opener_.get() : nullptr);
    VolumeDetails details;
    EXPECT_EQ(GetVolumeDetails(*ops_, RootPathOf(letter_), details), c.ok);
    EXPECT_EQ(details.label, c.label);
    EXPECT_EQ(details.fileSystemName, c.fileSystem);
    EXPECT_EQ(details.serialText, c.ok ? c.serial : "");
    EXPECT_EQ(opener_->propertyQueries,
              c.withOpener ? std::vector<std::string>{node_} : std::vector<std::string>{});
  }
  EXPECT_TRUE(opener_->opens.empty()) << "details asked for an open";
}

// The drive list of a user who may not read the volume: size, label, type
// and serial from the opener, and not one open asked of it.
TEST_F(OpenerVolume, DriveListAsksForNothing) {
  OverrideSeparators(",", " ");
  opener_->properties = BlockProperties{kVolumeSize, "DEVICEFAT", "vfat", "0BAD-F00D"};
  ops_->SetDeviceOpener(opener_.get());
  DriveListModel list;
  FillDriveList(*ops_, list);
  const int index = list.RowOf(RootPathOf(letter_));
  const DriveRecord row = index >= 0 ? list.rows[static_cast<std::size_t>(index)] : DriveRecord{};
  const std::string sizeText = SizeText(row), exactSizeText = ExactSizeText(row);
  OverrideSeparators(std::nullopt, std::nullopt);
  ASSERT_GE(index, 0);
  EXPECT_EQ(row.VolumeLabel, "DEVICEFAT");
  EXPECT_EQ(row.FileSystemName, "vfat");
  EXPECT_EQ(SerialText(row), "0BADF00D");
  EXPECT_EQ(sizeText, "1,41 Мб");
  EXPECT_EQ(exactSizeText, "1 474 560");
  EXPECT_TRUE(opener_->opens.empty()) << "the list asked for an open";
}

}  // namespace
}  // namespace vorkan
