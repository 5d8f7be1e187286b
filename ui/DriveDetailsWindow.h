// SPDX-License-Identifier: GPL-3.0-or-later
// DriveDetailsWindow: the drive information window. It shows one row of the
// drive list with a pie of used against free space, and ends with 1 when the
// user asks to copy that drive, 2 when the window is just closed.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "DriveCatalogue.h"

class QEvent;
class QKeyEvent;
class QShowEvent;

namespace Ui {
class DriveDetailsWindow;
}

class DriveDetailsWindow : public QDialog {
  Q_OBJECT

 public:
  // How the window ended.
  enum class Result : int { Copy = 1, Close = 2 };

  using FolderOfRootPath = std::function<std::string(const std::string& rootPath)>;

  explicit DriveDetailsWindow(QWidget* parent = nullptr);
  ~DriveDetailsWindow() override;

  // Puts the row on the window (caption, the eight fields, the pie or
  // "Размер неизвестен" in its place), shows it modally and returns how it
  // ended.
  Result ShowForDrive(const vorkan::DriveRecord& row);

  // The widget that gets the keyboard focus whenever the window closes (the
  // main window's drive list).
  void SetFocusOnClose(QWidget* list);

  // How "Проводник" turns the root path shown in driveField into the folder it
  // opens; an empty folder opens nothing. Without one nothing is opened.
  void SetFolderOfRootPath(FolderOfRootPath folderOfRootPath);

  // Ends the modal run with `result`; the window closes and restoreFocus runs.
  void done(int result) override;

 public slots:
  // The close box (and any other reject) ends with Close.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setRussianTexts();
  void prepareShowing();
  // `key` is the released key; it is set to 0 when the window consumed it.
  void handleKeyUp(int& key);
  void restoreFocus();
  void closeWindow();
  void openDriveFolder();
  void copyThisDrive();

  // Fills the caption, fields and chart from the row.
  void PutDrive(const vorkan::DriveRecord& row);

  std::unique_ptr<Ui::DriveDetailsWindow> ui_;
  QPointer<QWidget> focusOnClose_;
  FolderOfRootPath folderOfRootPath_;
};
