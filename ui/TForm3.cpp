#include "TForm3.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("Info")); }

int TForm3::ShowForDrive(const vorkan::DriveRecord& row) {
  setWindowTitle(QString::fromStdString(row.RootPath));
  return exec();
}
