// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveTableModel.h"

#include <QString>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString CellText(const vorkan::DriveRecord& row, DriveTableModel::Column column) {
  switch (column) {
    case DriveTableModel::Column::Drive: return Q(row.RootPath);
    case DriveTableModel::Column::Label: return Q(row.VolumeLabel);
    case DriveTableModel::Column::Type: return Q(row.MediaType);
    case DriveTableModel::Column::Size: return Q(vorkan::SizeText(row));
    case DriveTableModel::Column::Free: return Q(vorkan::FreeText(row));
  }
  return {};
}

QString HeaderText(DriveTableModel::Column column) {
  switch (column) {
    case DriveTableModel::Column::Drive: return QStringLiteral("Диск");
    case DriveTableModel::Column::Label: return QStringLiteral("Метка");
    case DriveTableModel::Column::Type: return QStringLiteral("Тип");
    case DriveTableModel::Column::Size: return QStringLiteral("Размер");
    case DriveTableModel::Column::Free: return QStringLiteral("Свободно");
  }
  return {};
}

}  // namespace

DriveTableModel::DriveTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DriveTableModel::Clear() {
  beginResetModel();
  rows_.clear();
  icons_.clear();
  endResetModel();
}

void DriveTableModel::AppendRow(const vorkan::DriveRecord& row) {
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(row);
  icons_.emplace_back();
  endInsertRows();
}

void DriveTableModel::SetIcon(int row, const QIcon& icon) {
  if (row < 0 || row >= rowCount()) return;
  icons_[static_cast<std::size_t>(row)] = icon;
  const QModelIndex cell = index(row, static_cast<int>(Column::Drive));
  emit dataChanged(cell, cell, {Qt::DecorationRole});
}

const vorkan::DriveRecord& DriveTableModel::Row(int row) const {
  return rows_.at(static_cast<std::size_t>(row));
}

int DriveTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DriveTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant DriveTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const auto column = static_cast<Column>(index.column());
  switch (role) {
    // The texts are made when shown, with the locale's separators.
    case Qt::DisplayRole:
    case Qt::EditRole: return CellText(rows_[row], column);
    case Qt::DecorationRole:
      if (column == Column::Drive && !icons_[row].isNull()) return icons_[row];
      return {};
    default: return {};
  }
}

QVariant DriveTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  // Rows have no headings: assistive tools get no row numbers either.
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return HeaderText(static_cast<Column>(section));
}

Qt::ItemFlags DriveTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
