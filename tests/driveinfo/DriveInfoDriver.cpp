// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveInfoDriver.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

namespace vorkan::test {

DriveRecord MakeRow(const std::string& root, const std::string& label, const std::string& media,
                    const std::string& fileSystem, std::int64_t sizeBytes, std::int64_t freeBytes,
                    std::optional<std::uint32_t> serial, std::int64_t usedSectors, std::int64_t freeSectors) {
  DriveRecord row;
  row.RootPath = root;
  row.VolumeLabel = label;
  row.MediaType = media;
  row.FileSystemName = fileSystem;
  row.SizeBytes = sizeBytes;
  row.FreeBytes = freeBytes;
  row.Serial = serial;
  row.UsedSectors = usedSectors;
  row.FreeSectors = freeSectors;
  return row;
}

DriveRecord NormalRow() {
  // 2 048 000 000 bytes, of which 512 000 000 free: 3 000 000 and 1 000 000
  // sectors of 512 bytes.
  return MakeRow("E:\\", "DATA", "Локальный", "ext4", 2048000000, 512000000, 0x1A2B3C4D, 3000000, 1000000);
}

DriveRecord EmptyOpticalRow() { return MakeRow("F:\\", "", "CD-диск", "", 0, 0, std::nullopt, 0, 0); }

DriveRecord RowWithCounts(std::int64_t usedSectors, std::int64_t freeSectors) {
  DriveRecord row = NormalRow();
  row.UsedSectors = usedSectors;
  row.FreeSectors = freeSectors;
  return row;
}

namespace {
// The fields in the order the row fills them.
constexpr const char* kFieldNames[] = {"drive", "label",  "mediaType",  "size",
                                       "free",  "serial", "fileSystem", "byteSize"};
}  // namespace

QLineEdit* Field(DriveDetailsWindow& form, int number) {
  return Control<QLineEdit>(form, QStringLiteral("%1Field").arg(kFieldNames[number - 1]));
}
QLabel* Caption(DriveDetailsWindow& form, int number) {
  return Control<QLabel>(form, QStringLiteral("%1Caption").arg(kFieldNames[number - 1]));
}
QPushButton* OkButton(DriveDetailsWindow& form) { return Control<QPushButton>(form, "okButton"); }
QPushButton* OpenFolderButton(DriveDetailsWindow& form) {
  return Control<QPushButton>(form, "openFolderButton");
}
QPushButton* CopyButton(DriveDetailsWindow& form) { return Control<QPushButton>(form, "copyButton"); }
QLabel* SizeUnknownCover(DriveDetailsWindow& form) { return Control<QLabel>(form, "sizeUnknownCover"); }
chart::PieChart* PieChartOf(DriveDetailsWindow& form) { return Control<chart::PieChart>(form, "pieChart"); }

DriveDetailsWindow::Result OpenAndRun(DriveDetailsWindow& form, const DriveRecord& row,
                                      const std::function<void(DriveDetailsWindow&)>& whileOpen) {
  QTimer::singleShot(0, &form, [&form, &whileOpen] {
    if (whileOpen) whileOpen(form);
    if (form.isVisible()) form.done(static_cast<int>(kLeftOpen));
  });
  return form.ShowForDrive(row);
}

const chart::PiePoint* PointLabelled(DriveDetailsWindow& form, const QString& label) {
  for (const chart::PiePoint& point : PieChartOf(form)->Series().Points()) {
    if (point.Label == label) return &point;
  }
  return nullptr;
}

int CountPixels(const QImage& image, const QColor& color) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const QRgb wanted = color.rgb();
  int count = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == (wanted & 0xFFFFFF)) ++count;
    }
  }
  return count;
}

QImage ChartOnScreen(DriveDetailsWindow& form) { return PieChartOf(form)->grab().toImage(); }

namespace {

QWidget* KeyReceiver(DriveDetailsWindow& form) {
  QWidget* focus = form.focusWidget();
  return focus != nullptr ? focus : &form;
}

}  // namespace

void PressKey(DriveDetailsWindow& form, Qt::Key key) { QTest::keyPress(KeyReceiver(form), key); }
void ReleaseKey(DriveDetailsWindow& form, Qt::Key key) { QTest::keyRelease(KeyReceiver(form), key); }

}  // namespace vorkan::test
