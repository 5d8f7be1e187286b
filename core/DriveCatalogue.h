// The drive list: one row per drive letter that holds a local, removable,
// optical, RAM or unidentified volume, with the texts the main window shows
// and those only the drive information window reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "volume/VolumeOps.h"

namespace vorkan {

// Positions of the sub-items of a row.
enum DriveSubItem : std::size_t {
  siVolumeLabel = 0,
  siMediaType = 1,
  siSizeText = 2,
  siFreeText = 3,
  siSerialText = 4,
  siFileSystemName = 5,
  siExactSizeText = 6,
  siUsedSectorsHex = 7,
  siFreeSectorsHex = 8,
};
inline constexpr std::size_t kDriveSubItemCount = 9;

struct DriveRecord {
  std::string RootPath;  // the caption: "C:\"
  std::array<std::string, kDriveSubItemCount> SubItems;

  const std::string& VolumeLabel() const { return SubItems[siVolumeLabel]; }
  const std::string& MediaType() const { return SubItems[siMediaType]; }
  const std::string& SizeText() const { return SubItems[siSizeText]; }
  const std::string& FreeText() const { return SubItems[siFreeText]; }
  const std::string& SerialText() const { return SubItems[siSerialText]; }
  const std::string& FileSystemName() const { return SubItems[siFileSystemName]; }
  const std::string& ExactSizeText() const { return SubItems[siExactSizeText]; }
  const std::string& UsedSectorsHex() const { return SubItems[siUsedSectorsHex]; }
  const std::string& FreeSectorsHex() const { return SubItems[siFreeSectorsHex]; }

  bool operator==(const DriveRecord&) const = default;
};

// Media type texts; the copy request compares MediaType with this one.
inline constexpr const char* kMediaTypeCdRom = "CD-диск";

// The media type text of a drive type code; nullopt for the codes that get
// no row (no root dir, remote, unknown codes).
std::optional<std::string> MediaTypeText(DriveKind driveType);

// The length with the locale's thousands separator between groups of three
// digits and at least two digits ("05"), except that 0 gives "0".
std::string ExactSizeText(std::int64_t length);

// "$" and upper-case hexadecimal, at least ten digits; a negative count as
// its sixteen-digit two's complement.
std::string SectorsHexText(std::int64_t sectors);

// The count a SectorsHexText stands for, read as the signed 64-bit number it
// was written from; nullopt when the text is not of that form.
std::optional<std::int64_t> ParseSectorsHex(const std::string& text);

// What FillDriveList writes into: the main window's list and its image list.
class DriveListTarget {
 public:
  virtual ~DriveListTarget() = default;

  // Removes every row and every image.
  virtual void Clear() = 0;
  virtual void AppendRow(const DriveRecord& record) = 0;
  virtual int RowCount() const = 0;

  // Appends the desktop's small (16 x 16) icon for a drive of this type as
  // the new last image; false, appending nothing, when there is none.
  virtual bool AppendDriveIcon(const std::string& rootPath, DriveKind driveType) = 0;
  // Appends the application's icon as the new last image.
  virtual void AppendApplicationIcon() = 0;
  virtual int ImageCount() const = 0;
  virtual void SetStateImage(int row, int image) = 0;

  // Makes the row the selected and focused one (this fires the list's
  // selection event).
  virtual void SelectAndFocusRow(int row) = 0;
  virtual bool IsOnScreen() const = 0;
  virtual void FocusList() = 0;
};

// A list held in memory: what the rows, images and selection are after a
// fill; tests and measurements use it in place of the window's list.
class DriveListModel : public DriveListTarget {
 public:
  // The images are kept as what they stand for.
  struct Image {
    bool applicationIcon = false;
    std::string rootPath;  // of a drive icon
    DriveKind driveType = DriveKind::Unknown;
  };

  void Clear() override;
  void AppendRow(const DriveRecord& record) override;
  int RowCount() const override { return static_cast<int>(rows.size()); }
  bool AppendDriveIcon(const std::string& rootPath, DriveKind driveType) override;
  void AppendApplicationIcon() override;
  int ImageCount() const override { return static_cast<int>(images.size()); }
  void SetStateImage(int row, int image) override;
  void SelectAndFocusRow(int row) override;
  bool IsOnScreen() const override { return onScreen; }
  void FocusList() override { ++focusCount; }

  // The row of a root path ("C:\"), -1 when it has none.
  int RowOf(const std::string& rootPath) const;

  std::vector<DriveRecord> rows;
  std::vector<int> stateImages;  // per row; -1 until set
  std::vector<Image> images;
  int selectedRow = -1;
  int focusedRow = -1;
  int selectionEvents = 0;
  bool onScreen = false;
  int focusCount = 0;
  // Drive types for which no desktop icon is found.
  std::vector<DriveKind> typesWithoutIcon;
};

// Rebuilds the list: asks the volume layer to look at the drives again, then
// queries every letter from A to Z (volume details, device length and drive
// type, even for letters that get no row) and appends a row and an image for
// each that has a media type; selects the first row and, when the list is on
// screen, gives it the keyboard focus.
void FillDriveList(VolumeOps& ops, DriveListTarget& target);

}  // namespace vorkan
