// SPDX-License-Identifier: GPL-3.0-or-later
// Driving the drive information window in tests: rows to show, its controls
// by name, and a modal run with actions taken while the window is open.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Controls.h"
#include "DriveCatalogue.h"
#include "PieChart.h"
#include "DriveDetailsWindow.h"

namespace vorkan::test {

// What OpenAndRun returns when the actions left the window open.
inline constexpr DriveDetailsWindow::Result kLeftOpen = static_cast<DriveDetailsWindow::Result>(-7);

// Colours of the two slices as they are drawn.
inline const QColor kUsedRgb(218, 12, 28);
inline const QColor kFreeRgb(134, 255, 13);

// A row as FillDriveList writes it, with the given sector counts.
DriveRecord MakeRow(const std::string& root, const std::string& label, const std::string& media,
                    const std::string& fileSystem, std::int64_t sizeBytes, std::int64_t freeBytes,
                    std::optional<std::uint32_t> serial, std::int64_t usedSectors, std::int64_t freeSectors);

// A fixed volume "E:\" with 3 000 000 used and 1 000 000 free sectors.
DriveRecord NormalRow();
// An optical drive "F:\" without a disc: every count zero.
DriveRecord EmptyOpticalRow();
// NormalRow with other sector counts.
DriveRecord RowWithCounts(std::int64_t usedSectors, std::int64_t freeSectors);

// The field and its caption by their place from the top, 1 to 8.
QLineEdit* Field(DriveDetailsWindow& form, int number);
QLabel* Caption(DriveDetailsWindow& form, int number);
QPushButton* OkButton(DriveDetailsWindow& form);
QPushButton* OpenFolderButton(DriveDetailsWindow& form);
QPushButton* CopyButton(DriveDetailsWindow& form);
QLabel* SizeUnknownCover(DriveDetailsWindow& form);
chart::PieChart* PieChartOf(DriveDetailsWindow& form);

// Fills and shows the window for `row` through ShowForDrive and runs
// `whileOpen` inside its modal loop once it is on screen. A window still open
// after the actions is closed with kLeftOpen, so that no test can hang.
DriveDetailsWindow::Result OpenAndRun(DriveDetailsWindow& form, const DriveRecord& row,
                                      const std::function<void(DriveDetailsWindow&)>& whileOpen);

// The point of the series with this label, nullptr when there is none.
const chart::PiePoint* PointLabelled(DriveDetailsWindow& form, const QString& label);

// How many pixels of the image have exactly this colour.
int CountPixels(const QImage& image, const QColor& color);
// The chart as it is on screen, with whatever covers it.
QImage ChartOnScreen(DriveDetailsWindow& form);

// Sends a key press or release to the widget that has the window's focus, as
// the keyboard would.
void PressKey(DriveDetailsWindow& form, Qt::Key key);
void ReleaseKey(DriveDetailsWindow& form, Qt::Key key);

}  // namespace vorkan::test
