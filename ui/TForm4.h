// TForm4: the about window. It shows what the program is, its version and
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
class TForm4;
}

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
  ~TForm4() override;

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
  enum class TPosition { poDesigned, poScreenCenter };

  void FormCreate();
  void RefreshInfo();
  void Label10Click();
  void Label11Click();
  void Label10MouseEnter();
  void Label10MouseLeave();
  void Label11MouseEnter();
  void Label11MouseLeave();
  void Button1Click();

  // Asks how to reach the maker: a new message with `subject`, or the address
  // on the clipboard.
  void MailLinkChoice(const char* subject);

  std::unique_ptr<Ui::TForm4> ui_;
  TPosition position_ = TPosition::poScreenCenter;
};
