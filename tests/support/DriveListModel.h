// SPDX-License-Identifier: GPL-3.0-or-later
// A drive list held in memory: what the rows, images and selection are after
// a fill; tests and measurements use it in place of the window's list.
#pragma once

#include <string>
#include <vector>

#include "DriveCatalogue.h"

namespace vorkan {

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

}  // namespace vorkan
