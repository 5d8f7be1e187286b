// SPDX-License-Identifier: GPL-3.0-or-later
// The copy request: what happens between the user asking to copy the selected
// drive and the copy job starting, and again after it returns. The main
// window's copy button handler runs it; everything it needs of the window is
// behind CopyRequestHost, so it runs without any window in the tests.
#pragma once

#include <string>

#include "DriveCatalogue.h"
#include "ImageTarget.h"
#include "Prompt.h"
#include "volume/VolumeOps.h"

namespace vorkan {

// Filter index of the save dialog (counting from 1).
inline constexpr int kFilterIndexIMA = 1;
inline constexpr int kFilterIndexISO = 2;

class CopyRequestHost {
 public:
  virtual ~CopyRequestHost() = default;

  // The selected row of the drive list; false when no row is selected.
  virtual bool SelectedRow(DriveRecord& row) = 0;
  // Runs the save dialog with the proposed name and filter index; false when
  // the user cancels, otherwise the chosen full path and the file there the
  // user agreed to replace, if any.
  virtual bool RunSaveDialog(const std::string& proposedName, int filterIndex, ImageTarget& target) = 0;
  virtual PromptResult ShowPrompt(PromptId id, const std::string& text, PromptKind kind,
                                  PromptButtons buttons) = 0;
  // Unticks the lock check box.
  virtual void ClearLockOption() = 0;
  // Disables (or enables again) the seven controls, each in the window's order.
  virtual void SetCopyControlsEnabled(bool enabled) = 0;
  // The disk copy job with the window as its host; `keptPath` is where a
  // copy that succeeded put the image.
  virtual bool RunCopyJob(char sourceLetter, const ImageTarget& target, std::string& keptPath) = 0;
  // Both request flags to 0.
  virtual void ClearRequestFlags() = 0;
  // The application title back to the main window's caption.
  virtual void RestoreTitle() = 0;
  // Brings the application back when it is minimised.
  virtual void RestoreApplication() = 0;
  virtual void RebuildDriveList() = 0;
  // Gives the drive list the focus when the main window is the active one.
  virtual void FocusListIfActive() = 0;
};

// The proposed image name for a drive: "диск_" and the letter in lower case.
std::string ProposedImageName(char sourceLetter);

void RunCopyRequest(VolumeOps& ops, CopyRequestHost& host);

}  // namespace vorkan
