// Driving the drive information window in tests: rows to show, its controls
// by name, and a modal run with actions taken while the window is open.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <functional>
#include <string>

#include "Controls.h"
#include "DriveCatalogue.h"
#include "TChart.h"
#include "TForm3.h"

namespace vorkan::test {

// What OpenAndRun returns when the actions left the window open.
inline constexpr TForm3::Result kLeftOpen = static_cast<TForm3::Result>(-7);

// Colours of the two slices as they are drawn.
inline const QColor kUsedRgb(218, 12, 28);
inline const QColor kFreeRgb(134, 255, 13);

// A row as FillDriveList writes it, with the given sector texts.
DriveRecord MakeRow(const std::string& root, const std::string& label, const std::string& media,
                    const std::string& size, const std::string& free, const std::string& serial,
                    const std::string& fileSystem, const std::string& exactSize, const std::string& usedHex,
                    const std::string& freeHex);

// A fixed volume "E:\" with 3 000 000 used and 1 000 000 free sectors.
DriveRecord NormalRow();
// An optical drive "F:\" without a disc: every count zero.
DriveRecord EmptyOpticalRow();
// NormalRow with other sector texts.
DriveRecord RowWithCounts(const std::string& usedHex, const std::string& freeHex);

QLineEdit* Edit(TForm3& form, int number);
QLabel* Label(TForm3& form, int number);
QPushButton* Button(TForm3& form, int number);
QLabel* Panel2(TForm3& form);
chart::TChart* Chart1(TForm3& form);

// Fills and shows the window for `row` through ShowForDrive and runs
// `whileOpen` inside its modal loop once it is on screen. A window still open
// after the actions is closed with kLeftOpen, so that no test can hang.
TForm3::Result OpenAndRun(TForm3& form, const DriveRecord& row,
                          const std::function<void(TForm3&)>& whileOpen);

// The point of the series with this label, nullptr when there is none.
const chart::TPiePoint* PointLabelled(TForm3& form, const QString& label);

// How many pixels of the image have exactly this colour.
int CountPixels(const QImage& image, const QColor& color);
// The chart as it is on screen, with whatever covers it.
QImage ChartOnScreen(TForm3& form);

// Sends a key press or release to the widget that has the window's focus, as
// the keyboard would.
void PressKey(TForm3& form, Qt::Key key);
void ReleaseKey(TForm3& form, Qt::Key key);

}  // namespace vorkan::test
