// SPDX-License-Identifier: GPL-3.0-or-later
// DriveTableModel: the rows of the main window's drive list as its view shows
// them, one column per text, each row's icon beside its drive.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

#include "DriveCatalogue.h"

class DriveTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum class Column { Drive, Label, Type, Size, Free };
  static constexpr int kColumnCount = 5;

  explicit DriveTableModel(QObject* parent = nullptr);

  // Removes every row.
  void Clear();
  void AppendRow(const vorkan::DriveRecord& row);
  // The icon shown beside the drive of the row; nothing for a row it lacks.
  void SetIcon(int row, const QIcon& icon);

  // The record of a row in range.
  const vorkan::DriveRecord& Row(int row) const;
  const std::vector<vorkan::DriveRecord>& Rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  std::vector<vorkan::DriveRecord> rows_;
  std::vector<QIcon> icons_;  // per row; null until set
};
