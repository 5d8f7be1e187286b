// The save dialog of the copy request: Qt's own file dialog, except that the
// name in its name box is taken as it stands. Qt reads double quotes there as
// a list of names ("a" "b"), so a name with a quote in it would land in
// another file; here the typed text is one name in the folder shown, or a
// path when it starts with "/" or "~", and a name whose folder does not exist
// is refused in the dialog, which stays open. It opens wide enough for its
// columns.
#pragma once

#include <QFileDialog>
#include <string>

class TSaveDialog : public QFileDialog {
  Q_OBJECT

 public:
  explicit TSaveDialog(QWidget* parent = nullptr);

  // The chosen file, as the bytes the file system names it; empty until the
  // dialog is accepted.
  const std::string& FileName() const { return fileName_; }

  // Starts a new choice: forgets the last one.
  void Forget() { fileName_.clear(); }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string fileName_;
  bool sized_ = false;
};
