// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriveDetailsWindow.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>

#include <cstdint>
#include <optional>
#include <utility>

#include "CaptionNames.h"
#include "ColorValue.h"
#include "Shell.h"
#include "PieChart.h"
#include "ui_DriveDetailsWindow.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

const char* const kCaption = "Информация о диске";

// Slice colours (0x00BBGGRR).
constexpr vorkan::TColor kUsedColor = 0x1C0CDA;
constexpr vorkan::TColor kFreeColor = 0x0DFF86;

void PutText(QLineEdit* edit, const std::string& text) {
  edit->setText(QString::fromStdString(text));
  // A text wider than its field shows from its beginning.
  edit->setCursorPosition(0);
}

// A sector count of the row as the pie can use it. Nothing for a count that
// is not positive (zero, or negative where the length query failed): such a
// drive has no pie to show.
std::optional<double> PieCount(std::int64_t count) {
  if (count <= 0) return std::nullopt;
  return static_cast<double>(count);
}

}  // namespace

DriveDetailsWindow::DriveDetailsWindow(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DriveDetailsWindow>()) {
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);
  vorkan::UseButtonFace(*this, vorkan::ResolveColor(vorkan::clBtnFace));

  // The cover of the chart for drives without a usable size.
  ui_->sizeUnknownCover->hide();

  // The window's key handler sees every key before the focused control.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  connect(ui_->okButton, &QPushButton::clicked, this, [this] { closeWindow(); });
  connect(ui_->openFolderButton, &QPushButton::clicked, this, [this] { openDriveFolder(); });
  connect(ui_->copyButton, &QPushButton::clicked, this, [this] { copyThisDrive(); });

  setRussianTexts();
}

DriveDetailsWindow::~DriveDetailsWindow() = default;

void DriveDetailsWindow::setRussianTexts() {
  ui_->sizeUnknownCover->setText(QStringLiteral("Размер неизвестен"));
  ui_->driveCaption->setText(QStringLiteral("Диск"));
  ui_->labelCaption->setText(QStringLiteral("Метка"));
  ui_->sizeCaption->setText(QStringLiteral("Размер"));
  ui_->freeCaption->setText(QStringLiteral("Свободно"));
  ui_->mediaTypeCaption->setText(QStringLiteral("Тип носителя"));
  ui_->byteSizeCaption->setText(QStringLiteral("Размер (байт)"));
  ui_->serialCaption->setText(QStringLiteral("Серийный номер"));
  ui_->fileSystemCaption->setText(QStringLiteral("Файловая система"));
  ui_->copyButton->setText(QStringLiteral("Копировать"));
  ui_->openFolderButton->setText(QStringLiteral("Проводник"));
  ui_->okButton->setText(QStringLiteral("ОК"));
  // Screen readers read each field with its caption.
  vorkan::NameByCaption(*ui_->driveCaption, *ui_->driveField);
  vorkan::NameByCaption(*ui_->labelCaption, *ui_->labelField);
  vorkan::NameByCaption(*ui_->mediaTypeCaption, *ui_->mediaTypeField);
  vorkan::NameByCaption(*ui_->sizeCaption, *ui_->sizeField);
  vorkan::NameByCaption(*ui_->freeCaption, *ui_->freeField);
  vorkan::NameByCaption(*ui_->serialCaption, *ui_->serialField);
  vorkan::NameByCaption(*ui_->fileSystemCaption, *ui_->fileSystemField);
  vorkan::NameByCaption(*ui_->byteSizeCaption, *ui_->byteSizeField);
}

DriveDetailsWindow::Result DriveDetailsWindow::ShowForDrive(const vorkan::DriveRecord& row) {
  PutDrive(row);
  return static_cast<Result>(exec());
}

void DriveDetailsWindow::PutDrive(const vorkan::DriveRecord& row) {
  setWindowTitle(QString::fromUtf8(kCaption));

  PutText(ui_->driveField, row.RootPath);
  PutText(ui_->labelField, row.VolumeLabel);
  PutText(ui_->mediaTypeField, row.MediaType);
  PutText(ui_->sizeField, vorkan::SizeText(row));
  PutText(ui_->freeField, vorkan::FreeText(row));
  PutText(ui_->serialField, vorkan::SerialText(row));
  PutText(ui_->fileSystemField, row.FileSystemName);
  PutText(ui_->byteSizeField, vorkan::ExactSizeText(row));

  vorkan::chart::PieChart& chart = *ui_->pieChart;
  chart.ClearSeries();
  chart.SetLegendColor(vorkan::clBtnFace);

  const std::optional<double> used = PieCount(row.UsedSectors);
  const std::optional<double> free = PieCount(row.FreeSectors);
  if (!used || !free) {
    ui_->sizeUnknownCover->show();
    return;
  }
  ui_->sizeUnknownCover->hide();
  chart.AddPoint(*used, QStringLiteral("Занято:"), kUsedColor);
  chart.AddPoint(*free, QStringLiteral("Свободно:"), kFreeColor);
}

void DriveDetailsWindow::SetFocusOnClose(QWidget* list) { focusOnClose_ = list; }

void DriveDetailsWindow::SetFolderOfRootPath(FolderOfRootPath folderOfRootPath) {
  folderOfRootPath_ = std::move(folderOfRootPath);
}

void DriveDetailsWindow::done(int result) {
  QDialog::done(result);
  restoreFocus();
}

void DriveDetailsWindow::reject() { done(static_cast<int>(Result::Close)); }

bool DriveDetailsWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    // Only where the key arrives first: the window's focused control, or the
    // window itself when no control has the focus.
    QWidget* receiver = focusWidget() != nullptr ? focusWidget() : this;
    if (watched == receiver) {
      int key = static_cast<QKeyEvent*>(event)->key();
      handleKeyUp(key);
      if (key == 0) return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DriveDetailsWindow::keyPressEvent(QKeyEvent* event) {
  // Escape closes the window when it is released, not when it goes down.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void DriveDetailsWindow::keyReleaseEvent(QKeyEvent* event) {
  // Seen already by the key preview.
  event->ignore();
}

void DriveDetailsWindow::showEvent(QShowEvent* event) {
  vorkan::CentreOnScreen(*this);
  QDialog::showEvent(event);
  prepareShowing();
}

void DriveDetailsWindow::prepareShowing() { ui_->driveField->setFocus(Qt::OtherFocusReason); }

void DriveDetailsWindow::handleKeyUp(int& key) {
  if (key != Qt::Key_Escape) return;
  key = 0;
  done(static_cast<int>(Result::Close));
}

void DriveDetailsWindow::restoreFocus() {
  if (focusOnClose_ != nullptr) focusOnClose_->setFocus(Qt::OtherFocusReason);
}

void DriveDetailsWindow::closeWindow() { done(static_cast<int>(Result::Close)); }

void DriveDetailsWindow::openDriveFolder() {
  if (!folderOfRootPath_) return;
  const std::string folder = folderOfRootPath_(ui_->driveField->text().toStdString());
  if (!folder.empty()) vorkan::OpenWithDesktop(folder);
}

void DriveDetailsWindow::copyThisDrive() { done(static_cast<int>(Result::Copy)); }
