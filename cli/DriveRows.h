// SPDX-License-Identifier: GPL-3.0-or-later
// The drive list as rows in memory, for printing: FillDriveList writes into
// it as into the main window's list; icons, selection and focus mean nothing
// here.
#pragma once

#include <vector>

#include "DriveCatalogue.h"

namespace vorkan::cli {

class DriveRows : public DriveListTarget {
 public:
  void Clear() override { rows.clear(); }
  void AppendRow(const DriveRecord& record) override { rows.push_back(record); }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  bool AppendDriveIcon(const std::string&, DriveKind) override { return true; }
  void AppendApplicationIcon() override {}
  int ImageCount() const override { return RowCount(); }
  void SetStateImage(int, int) override {}
  void SelectAndFocusRow(int) override {}
  bool IsOnScreen() const override { return false; }
  void FocusList() override {}

  std::vector<DriveRecord> rows;
};

}  // namespace vorkan::cli
