// The drive information window (placeholder until the full window lands).
#pragma once

#include <QDialog>

#include "DriveCatalogue.h"

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
  // Fills the window from the row and shows it modally; 1 means copy.
  int ShowForDrive(const vorkan::DriveRecord& row);
};
