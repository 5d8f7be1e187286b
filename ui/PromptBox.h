// SPDX-License-Identifier: GPL-3.0-or-later
// The message prompt box: title and icon by the prompt's kind, the message,
// and a row of buttons; it ends with the code of the button pressed.
#pragma once

#include <QDialog>

#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "Prompt.h"

class QPushButton;
class QLabel;
class QKeyEvent;

namespace vorkan {

// A button of the box and its place in the box's client area.
struct PlacedButton {
  PromptButton button;
  QRect rect;
};

// Every figure of the box, in pixels of the client area.
struct PromptLayout {
  int unitX = 0;  // dialog units: average width of the 52 letters,
  int unitY = 0;  // and their height
  int horzMargin = 0;
  int vertMargin = 0;
  int horzSpacing = 0;
  int vertSpacing = 0;
  int buttonHeight = 0;
  int buttonSpacing = 0;
  int buttonWidth = 0;
  int textWidth = 0;  // the message as wrapped: its widest line
  int textHeight = 0;
  int iconTextWidth = 0;
  int iconTextHeight = 0;
  int buttonRowWidth = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  QRect iconRect;
  QRect textRect;
  std::vector<PlacedButton> buttons;  // left to right
};

// The box's title by kind: "Warning", "Error", "Information", "Confirm".
QString PromptTitle(PromptKind kind);
// A button's caption with its access-key marker ("&Yes", "OK", ...).
QString PromptCaption(PromptButton button);
// The message as drawn: every "\r\n", "\n\r", "\r" and "\n" one line break.
QString PromptDisplayText(const std::string& text);
// The font of message boxes: the windows' font.
QFont PromptFont();

// Each button's caption width + 8, in the order of PromptButton; 0 until first
// measured.
using CaptionWidths = std::array<int, 7>;
// The widths the boxes keep: a caption is measured the first time its button
// is laid out and keeps that width for the rest of the process.
CaptionWidths& KeptCaptionWidths();

// Lays out a box for `text` (as drawn) and `buttons` in `font`, wrapping the
// message within half of `screenWidth`, with the caption widths measured into
// and read from `captionWidths`.
PromptLayout LayOutPrompt(const QString& text, PromptButtons buttons, const QFont& font, int screenWidth,
                          CaptionWidths& captionWidths = KeptCaptionWidths());

class PromptBox : public QDialog {
  Q_OBJECT

 public:
  PromptBox(const std::string& text, PromptKind kind, PromptButtons buttons);
  ~PromptBox() override;

  // Shows the box modally and returns the code of the button pressed; Cancel
  // (2) when closed otherwise, and at once while the application terminates.
  PromptResult Run();

  // Replaces the title by kind (the fault box uses the application title).
  void SetTitle(const QString& title);

  const PromptLayout& Layout() const { return layout_; }
  const std::string& Text() const { return text_; }
  PromptKind Kind() const { return kind_; }
  PromptButtons Buttons() const { return buttons_; }
  // The button control, or nullptr when the box does not show it.
  QPushButton* Button(PromptButton button) const;
  // The roles of the buttons: Enter while no button has the focus, and Esc.
  QPushButton* DefaultButton() const { return defaultButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QLabel* IconLabel() const { return icon_; }

  // The box as plain text, as Ctrl+C puts it on the clipboard.
  std::string ClipboardForm() const;

  // Handles the box's keys; true when the key was the box's.
  bool HandleKey(QKeyEvent* event);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 public slots:
  // The close box, Alt+F4 and the terminating application end with Cancel.
  void reject() override;

 private:
  void Press(PromptButton button);
  void MoveFocus(bool forward);
  int FocusedIndex() const;

  std::string text_;
  PromptKind kind_;
  PromptButtons buttons_;
  PromptLayout layout_;
  PromptResult result_ = PromptResult::Cancel;
  std::vector<std::pair<PromptButton, QPushButton*>> controls_;  // left to right
  QPushButton* defaultButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QLabel* icon_ = nullptr;
};

}  // namespace vorkan
