// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog of the copy request, our own rather than Qt's: it reads
// folders with the bytes the file system holds, so that a folder whose name
// is not UTF-8 is listed (its shown name has U+FFFD where the bytes are not
// text), can be entered and written into at exactly its bytes. The typed name
// is taken as it stands: one name in the folder shown, or a path when it
// starts with "/" or "~"; a name whose folder does not exist is refused and
// the dialog stays open. Beside the list are the places (home, the desktop,
// the mounted volumes); a new folder is named in place in the list, and the
// name box completes names and paths. Its words are Qt's own file dialog's, so that Qt's
// translations put them in the desktop's language.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "volume/FileIdentity.h"

class QStringListModel;
class QTreeWidgetItem;

namespace Ui {
class SaveImageDialog;
}

class SaveImageDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SaveImageDialog(QWidget* parent = nullptr);
  ~SaveImageDialog() override;

  // The image types, each a description with its patterns in parentheses
  // ("Image file (*.IMA *.ima)").
  void SetFilters(const QStringList& filters);
  QStringList Filters() const;
  // The chosen type, counted from 1; choosing one makes its extension the
  // default extension.
  void SetFilterIndex(int index);
  int FilterIndex() const;
  // Added to a name typed without an extension.
  void SetDefaultExtension(const QString& extension) { defaultExtension_ = extension; }
  const QString& DefaultExtension() const { return defaultExtension_; }
  // Whether an existing file is replaced only after a Yes.
  void SetOverwritePrompt(bool ask) { overwritePrompt_ = ask; }
  bool OverwritePrompt() const { return overwritePrompt_; }

  // The folder shown, as bytes; the dialog starts in the working folder and
  // keeps the last one shown between runs.
  void SetFolder(const std::string& folder);
  const std::string& Folder() const { return folder_; }
  // A place of the list at the left besides home and the desktop: a mounted
  // volume as the main window names it, and its folder as bytes.
  struct Place {
    QString text;
    std::string folder;
  };
  void SetPlaces(std::vector<Place> places);

  // The text of the name box.
  void SetNameText(const QString& name);

  // The chosen file, as the bytes the file system names it; empty until the
  // dialog is accepted.
  const std::string& FileName() const { return fileName_; }

  // The file under that name the user agreed to replace, as it was when they
  // answered; none where the name was free.
  const std::optional<vorkan::FileIdentity>& ReplacedFile() const { return replaced_; }

  // Starts a new choice: forgets the last one.
  void Forget() {
    fileName_.clear();
    replaced_.reset();
  }

  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ReadFolder();
  void EnterFolder(const std::string& folder);
  void ToParent();
  void FillPlaces();
  void MarkPlace();
  void NewFolder();
  void NameInPlace(QTreeWidgetItem* item);
  void FinishNaming();
  QTreeWidgetItem* ItemNamed(const std::string& name) const;
  void UpdateCompletions(const QString& text);
  void FitColumns();
  void ItemSelected();
  void ItemDoubleClicked(QTreeWidgetItem* item);
  // The name box as bytes: a listed file's own bytes while the box shows the
  // name it put there, else the typed text in UTF-8.
  std::string TypedName() const;
  void NotFound(const std::string& folder);
  QString ReplaceQuestion(const std::string& path, const std::string& name) const;

  std::unique_ptr<Ui::SaveImageDialog> ui_;
  std::string folder_;
  std::string fileName_;
  std::optional<vorkan::FileIdentity> replaced_;
  QString defaultExtension_;
  bool overwritePrompt_ = true;
  bool sized_ = false;
  // The file whose name the box shows since it was selected in the list.
  std::string selectedName_;
  QString selectedText_;
  std::vector<Place> volumes_;
  // The new folder whose name is being typed in the list.
  std::string namedFolder_;
  // The completions of the name box: the entries of `completedFolder_`,
  // each after the typed path of that folder.
  QStringListModel* completions_ = nullptr;
  std::string completedFolder_;
  QString completedPrefix_;
};
