#include "DriveInfoDriver.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

namespace vorkan::test {

DriveRecord MakeRow(const std::string& root, const std::string& label, const std::string& media,
                    const std::string& size, const std::string& free, const std::string& serial,
                    const std::string& fileSystem, const std::string& exactSize, const std::string& usedHex,
                    const std::string& freeHex) {
  DriveRecord row;
  row.RootPath = root;
  row.SubItems = {label, media, size, free, serial, fileSystem, exactSize, usedHex, freeHex};
  return row;
}

DriveRecord NormalRow() {
  // 3 000 000 = 0x2DC6C0 and 1 000 000 = 0xF4240 sectors of 512 bytes.
  return MakeRow("E:\\", "DATA", "Локальный", "1,9 Гб", "488 Мб", "1A2B3C4D", "ext4", "2 048 000 000",
                 "$00002DC6C0", "$00000F4240");
}

DriveRecord EmptyOpticalRow() {
  return MakeRow("F:\\", "", "CD-диск", "0 б", "0 б", "", "", "0", "$0000000000", "$0000000000");
}

DriveRecord RowWithCounts(const std::string& usedHex, const std::string& freeHex) {
  DriveRecord row = NormalRow();
  row.SubItems[siUsedSectorsHex] = usedHex;
  row.SubItems[siFreeSectorsHex] = freeHex;
  return row;
}

QLineEdit* Edit(TForm3& form, int number) {
  return Control<QLineEdit>(form, QStringLiteral("Edit%1").arg(number));
}
QLabel* Label(TForm3& form, int number) {
  return Control<QLabel>(form, QStringLiteral("Label%1").arg(number));
}
QPushButton* Button(TForm3& form, int number) {
  return Control<QPushButton>(form, QStringLiteral("Button%1").arg(number));
}
QLabel* Panel2(TForm3& form) { return Control<QLabel>(form, "Panel2"); }
chart::TChart* Chart1(TForm3& form) { return Control<chart::TChart>(form, "Chart1"); }

TForm3::Result OpenAndRun(TForm3& form, const DriveRecord& row,
                          const std::function<void(TForm3&)>& whileOpen) {
  QTimer::singleShot(0, &form, [&form, &whileOpen] {
    if (whileOpen) whileOpen(form);
    if (form.isVisible()) form.done(static_cast<int>(kLeftOpen));
  });
  return form.ShowForDrive(row);
}

const chart::TPiePoint* PointLabelled(TForm3& form, const QString& label) {
  for (const chart::TPiePoint& point : Chart1(form)->Series().Points()) {
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

QImage ChartOnScreen(TForm3& form) { return Chart1(form)->grab().toImage(); }

namespace {

QWidget* KeyReceiver(TForm3& form) {
  QWidget* focus = form.focusWidget();
  return focus != nullptr ? focus : &form;
}

}  // namespace

void PressKey(TForm3& form, Qt::Key key) { QTest::keyPress(KeyReceiver(form), key); }
void ReleaseKey(TForm3& form, Qt::Key key) { QTest::keyRelease(KeyReceiver(form), key); }

}  // namespace vorkan::test
