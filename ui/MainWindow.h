// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the drive list, the buttons around it, the lock check box,
// the keyboard shortcuts and the two one-byte flags that steer a running copy.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CopyJobHost.h"
#include "CopyRequest.h"
#include "DriveCatalogue.h"
#include "LauncherEntry.h"
#include "SaveImageDialog.h"
#include "volume/VolumeOps.h"

class ProgressWindow;
class DriveDetailsWindow;
class DriveTableModel;
class AboutWindow;

namespace Ui {
class MainWindow;
}

class MainWindow : public QWidget,
                   public vorkan::CopyJobHost,
                   public vorkan::CopyRequestHost,
                   public vorkan::DriveListTarget {
  Q_OBJECT

 public:
  // `ops` answers every volume query of the window and of its copies.
  explicit MainWindow(vorkan::VolumeOps& ops, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The windows this one opens; created after it, as start-up does.
  void UseWindows(ProgressWindow* progress, DriveDetailsWindow* details, AboutWindow* about);

  // The request flags: 1 set, 0 clear.
  std::uint8_t abortRequested = 0;
  std::uint8_t pauseRequested = 0;

  // One 16 x 16 image per row of the list, in row order, on white.
  QList<QPixmap> driveIcons;

  // Runs the configured save dialog and returns its result code: exec()
  // unless another runner is given (one that answers it for a script).
  using SaveDialogRunner = std::function<int(SaveImageDialog&)>;
  void SetSaveDialogRunner(SaveDialogRunner runner) { saveDialogRunner_ = std::move(runner); }

  // Handlers.
  void handleKeyUp(int key);
  void showSelectedDrive();
  void enterDriveList();
  void openSelectedDrive();
  void copySelectedDrive();
  void exitProgram();
  void refreshDriveList();
  void showDriveDetails();
  void showAbout();

  // The row of the selection; -1 when none.
  int SelectedIndex() const;

  // vorkan::CopyJobHost
  vorkan::PromptResult ShowPrompt(vorkan::PromptId id, const std::string& text, vorkan::PromptKind kind,
                                  vorkan::PromptButtons buttons) override;
  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override;
  std::uint8_t GetAbortFlag() override { return abortRequested; }
  std::uint8_t GetPauseFlag() override { return pauseRequested; }
  void ProcessPendingEvents() override;
  bool WaitForDescriptor(int fd) override;
  bool GetLockOption() override;
  void SetLockOption(bool locked) override;
  std::string GetMainCaption() override;
  void SetAppTitle(const std::string& title) override;
  std::int32_t GetPercentComplete() override;

  // vorkan::CopyRequestHost
  bool SelectedRow(vorkan::DriveRecord& row) override;
  bool RunSaveDialog(const std::string& proposedName, int filterIndex, vorkan::ImageTarget& target) override;
  void ClearLockOption() override;
  void SetCopyControlsEnabled(bool enabled) override;
  bool RunCopyJob(char sourceLetter, const vorkan::ImageTarget& target, std::string& keptPath) override;
  void ClearRequestFlags() override;
  void RestoreTitle() override;
  void RestoreApplication() override;
  void RebuildDriveList() override;
  void FocusListIfActive() override;

  // vorkan::DriveListTarget
  void Clear() override;
  void AppendRow(const vorkan::DriveRecord& record) override;
  int RowCount() const override;
  bool AppendDriveIcon(const std::string& rootPath, vorkan::DriveKind driveType) override;
  void AppendApplicationIcon() override;
  int ImageCount() const override;
  void SetStateImage(int row, int image) override;
  void SelectAndFocusRow(int row) override;
  bool IsOnScreen() const override;
  void FocusList() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setRussianTexts();
  void ConfigureButtons();
  void ConfigureList();
  void ConfigureSaveDialog();
  std::vector<SaveImageDialog::Place> VolumePlaces();
  bool HandleKey(QObject* watched, QEvent* event);
  void AppendImage(const QPixmap& icon);

  std::unique_ptr<Ui::MainWindow> ui_;
  // The dialog of the copy request, a child of the window named so.
  SaveImageDialog* saveDialog = nullptr;
  vorkan::VolumeOps& ops_;
  ProgressWindow* progressWindow_ = nullptr;
  DriveDetailsWindow* detailsWindow_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  // The rows of the list, owned by the window.
  DriveTableModel* driveTable_ = nullptr;
  // The copy's percentage on the program's task-bar entry.
  vorkan::LauncherEntry launcherEntry_;
  bool shownBefore_ = false;
  bool inDoubleClick_ = false;
  SaveDialogRunner saveDialogRunner_;
};
