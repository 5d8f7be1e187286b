// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows made as start-up makes them, over a volume layer the
// test chooses, with the save dialog and the prompts answered by the test.
#pragma once

#include <QApplication>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <functional>
#include <string>
#include <vector>

#include "Application.h"
#include "Controls.h"
#include "AppWindows.h"
#include "MainWindow.h"
#include "ProgressWindow.h"
#include "DriveDetailsWindow.h"
#include "DriveTableModel.h"
#include "AboutWindow.h"
#include "PromptBox.h"
#include "FileVolumeOps.h"
#include "PromptAnswers.h"

namespace vorkan::test {

// A file-backed volume layer that counts the drive list rebuilds.
class CountingVolumeOps : public FileVolumeOps {
 public:
  void RefreshDrives() override { ++refreshes; }
  int refreshes = 0;
};

struct SeenPrompt {
  std::string text;
  PromptKind kind;
  std::string owner;  // the object name of the window it belongs to (transient parent)
};

// What the save dialog looked like when it ran.
struct SeenDialog {
  QString name;  // its object name
  QString proposedName;
  int filterIndex = 0;
  QString filter;
  QString defaultSuffix;
  QStringList filters;
  bool confirmOverwrite = false;
  bool sizeGrip = false;
};

class Windows {
 public:
  explicit Windows(VolumeOps& ops, bool show = true) {
    Application::Instance().SetTerminating(false);
    CreateWindows(ops);
    if (show) {
      mainWindow->show();
      mainWindow->activateWindow();
      QApplication::setActiveWindow(mainWindow);
      QApplication::processEvents();
    }
  }
  ~Windows() {
    vorkan::test::AnswerPrompts(nullptr);
    DestroyWindows();
    Application::Instance().SetTerminating(false);
  }
  Windows(const Windows&) = delete;
  Windows& operator=(const Windows&) = delete;

  MainWindow& main() { return *mainWindow; }

  // The save dialog answers with `path`, or is cancelled when it is empty.
  void AnswerSaveDialog(std::vector<std::string> paths) {
    answers_ = std::move(paths);
    mainWindow->SetSaveDialogRunner([this](SaveImageDialog& dialog) {
      QLineEdit* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      SeenDialog seen;
      seen.name = dialog.objectName();
      seen.proposedName = edit ? edit->text() : QString();
      seen.filterIndex = dialog.FilterIndex();
      seen.filter = dialog.Filters().value(dialog.FilterIndex() - 1);
      seen.defaultSuffix = dialog.DefaultExtension();
      seen.filters = dialog.Filters();
      seen.confirmOverwrite = dialog.OverwritePrompt();
      seen.sizeGrip = dialog.isSizeGripEnabled();
      dialogs.push_back(seen);
      const std::string path = answers_.empty() ? std::string() : answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      if (path.empty() || !edit) return static_cast<int>(QDialog::Rejected);
      // Typed whole into the name box and accepted, as the Save button does.
      edit->setText(QString::fromStdString(path));
      dialog.accept();
      return dialog.result();
    });
  }

  // Every prompt is recorded and answered with the next button of `buttons`
  // (Cancel once they run out).
  void AnswerPrompts(std::vector<PromptButton> buttons) {
    buttons_ = std::move(buttons);
    vorkan::test::AnswerPrompts([this](PromptBox& form) {
      const QWindow* parent = form.windowHandle() ? form.windowHandle()->transientParent() : nullptr;
      std::string owner;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (parent != nullptr && w->windowHandle() == parent) owner = w->objectName().toStdString();
      prompts.push_back({form.Text(), form.Kind(), owner});
      PromptButton button = PromptButton::Cancel;
      if (!buttons_.empty()) {
        button = buttons_.front();
        buttons_.erase(buttons_.begin());
      }
      if (QPushButton* control = form.Button(button)) QTest::mouseClick(control, Qt::LeftButton);
      if (form.isVisible()) form.close();
    });
  }

  std::vector<SeenDialog> dialogs;
  std::vector<SeenPrompt> prompts;

 private:
  std::vector<std::string> answers_;
  std::vector<PromptButton> buttons_;
};

// What the real save dialog showed while a name was typed into it.
struct TypedDialog {
  QString title;
  QStringList buttons;      // the texts of its buttons, in order
  QStringList boxes;        // the message boxes it showed, in order
  bool stayedOpen = false;  // still open after the Return and the boxes
};

// The real save dialog, answered by typing `path` into it (unless it is
// empty) and pressing Return; `steer` acts on the dialog first. Every message
// box the dialog shows (the replace question, a refusal) is answered with
// `replace` where it has that button, else closed, and counted in
// `*replaceQuestions`; `*seen` gets what the dialog showed.
inline void TypeIntoSaveDialog(const std::string& path,
                               QMessageBox::StandardButton replace = QMessageBox::Yes,
                               int* replaceQuestions = nullptr, TypedDialog* seen = nullptr,
                               std::function<void(SaveImageDialog&)> steer = {}) {
  mainWindow->SetSaveDialogRunner([path, replace, replaceQuestions, seen, steer](SaveImageDialog& dialog) {
    QTimer::singleShot(0, &dialog, [&dialog, path, replace, replaceQuestions, seen, steer] {
      auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!edit) {
        dialog.reject();
        return;
      }
      if (seen) {
        seen->title = dialog.windowTitle();
        if (auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
          for (QAbstractButton* button : box->buttons()) seen->buttons << button->text();
      }
      if (steer) steer(dialog);
      if (!path.empty()) edit->setText(QString::fromStdString(path));
      // A box is modal inside the Return below: a timer answers it from the
      // event loop it runs.
      QTimer watcher;
      watcher.setInterval(0);
      QObject::connect(&watcher, &QTimer::timeout, &dialog, [&dialog, replace, replaceQuestions, seen] {
        for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
          if (!box->isVisible()) continue;
          if (replaceQuestions) ++*replaceQuestions;
          if (seen) seen->boxes << box->text();
          if (QAbstractButton* button = box->button(replace))
            button->click();
          else
            box->done(QMessageBox::Ok);
          return;
        }
      });
      watcher.start();
      QTest::keyClick(edit, Qt::Key_Return);
      watcher.stop();
      if (seen) seen->stayedOpen = dialog.isVisible();
      if (dialog.isVisible()) dialog.reject();
    });
    return dialog.exec();
  });
}

// The drive list.
inline QTreeView* DriveList(MainWindow& form) { return Control<QTreeView>(form, "driveList"); }

// The text a cell of the drive list shows.
inline QString CellText(MainWindow& form, int row, DriveTableModel::Column column) {
  const QAbstractItemModel* model = DriveList(form)->model();
  return model->index(row, static_cast<int>(column)).data().toString();
}

// The row that shows drive `root` ("C:\"), -1 when none does.
inline int RowOfDrive(MainWindow& form, const QString& root) {
  for (int row = 0; row < DriveList(form)->model()->rowCount(); ++row)
    if (CellText(form, row, DriveTableModel::Column::Drive) == root) return row;
  return -1;
}

// The centre of row `row` of the drive list, across all its columns, in
// viewport coordinates.
inline QPoint RowPoint(MainWindow& form, int row) {
  QTreeView* list = DriveList(form);
  const QAbstractItemModel* model = list->model();
  const QRect first = list->visualRect(model->index(row, 0));
  const QRect last = list->visualRect(model->index(row, model->columnCount() - 1));
  return (first | last).center();
}

// Clicks the row of drive `letter`; false when the list has no such row.
inline bool ClickDriveRow(MainWindow& form, char letter) {
  const int row = RowOfDrive(form, QString(QChar(letter)) + QStringLiteral(":\\"));
  if (row < 0) return false;
  QTreeView* list = DriveList(form);
  list->scrollTo(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(form, row));
  return form.SelectedIndex() == row;
}

// The seven controls a copy disables and gives back.
inline constexpr const char* kCopyControls[] = {"copyButton",  "exitButton", "refreshButton", "detailsButton",
                                                "aboutButton", "driveList",  "lockCheckBox"};

// A point of the list below its last row.
inline QPoint EmptyListPoint(MainWindow& form) {
  return QPoint(60, DriveList(form)->viewport()->height() - 5);
}

}  // namespace vorkan::test
