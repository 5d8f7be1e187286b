// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveListModel.h"

#include <algorithm>

namespace vorkan {

void DriveListModel::Clear() {
  rows.clear();
  stateImages.clear();
  images.clear();
  selectedRow = -1;
  focusedRow = -1;
}

void DriveListModel::AppendRow(const DriveRecord& record) {
  rows.push_back(record);
  stateImages.push_back(-1);
}

bool DriveListModel::AppendDriveIcon(const std::string& rootPath, DriveKind driveType) {
  if (std::find(typesWithoutIcon.begin(), typesWithoutIcon.end(), driveType) != typesWithoutIcon.end())
    return false;
  images.push_back(Image{false, rootPath, driveType});
  return true;
}

void DriveListModel::AppendApplicationIcon() { images.push_back(Image{true, {}, DriveKind::Unknown}); }

void DriveListModel::SetStateImage(int row, int image) {
  if (row >= 0 && row < RowCount()) stateImages[static_cast<std::size_t>(row)] = image;
}

void DriveListModel::SelectAndFocusRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  selectedRow = row;
  focusedRow = row;
  ++selectionEvents;
}

int DriveListModel::RowOf(const std::string& rootPath) const {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].RootPath == rootPath) return static_cast<int>(i);
  return -1;
}

}  // namespace vorkan
