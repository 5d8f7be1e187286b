// SPDX-License-Identifier: GPL-3.0-or-later
// AboutWindow: the about window. It shows what the program is, its version and
// licence, and two links to its maker: the e-mail address and a line that
// offers to report a fault. Clicking a link asks whether to open a new message
// in the default mail program or to copy the address to the clipboard.
#pragma once

#include <QDialog>

#include <memory>

class QEvent;
class QKeyEvent;
class QLabel;

namespace Ui {
class AboutWindow;
}

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);
  ~AboutWindow() override;

  // A showing while the position rule is "centred on the screen" centres the
  // window first; the rule then becomes "as placed", so later showings keep
  // the place where the user left the window.
  void setVisible(bool visible) override;

 public slots:
  // The close box: the window ends with Cancel (2) and keeps its place.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The window has no cancel button: Esc does nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Placement { AsPlaced, ScreenCentre };

  void setRussianTexts();
  void RefreshInfo();
  void mailAuthor();
  void reportBug();
  void highlightEmailLink();
  void plainEmailLink();
  void highlightBugReportLink();
  void plainBugReportLink();
  void closeWindow();

  // Asks how to reach the maker: a new message with `subject`, or the address
  // on the clipboard.
  void MailLinkChoice(const char* subject);

  std::unique_ptr<Ui::AboutWindow> ui_;
  Placement position_ = Placement::ScreenCentre;
};
