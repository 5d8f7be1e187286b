// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindow.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QTreeView>

#include "Application.h"
#include "CaptionNames.h"
#include "CopyJob.h"
#include "DriveIcons.h"
#include "DriveTableModel.h"
#include "ShowPrompt.h"
#include "ProgressWindow.h"
#include "DriveDetailsWindow.h"
#include "AboutWindow.h"
#include "ui_MainWindow.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

constexpr int kIconSize = 16;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The five image types of the save dialog, in filter index order. The dialog
// matches the patterns without regard to case, as the names were meant to be
// read.
QStringList ImageFilters() {
  return {QStringLiteral("Image file (*.IMA)"), QStringLiteral("ISO file (*.ISO)"),
          QStringLiteral("Disk file (*.DSK)"), QStringLiteral("File system file (*.FSS)"),
          QStringLiteral("Binary file (*.BIN)")};
}

// The main window is a plain widget, which assistive tools would take for a
// filler: it is the application's frame.
QAccessibleInterface* MainWindowAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(MainWindow::staticMetaObject.className()) || !object->isWidgetType())
    return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

}  // namespace

MainWindow::MainWindow(vorkan::VolumeOps& ops, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::MainWindow>()),
      ops_(ops),
      driveTable_(new DriveTableModel(this)) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(&MainWindowAccessible);
    return true;
  }();
  (void)accessibleInstalled;
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Main);
  ConfigureButtons();
  ConfigureList();
  ConfigureSaveDialog();
  qApp->installEventFilter(this);
  setWindowTitle(QStringLiteral("Vorkan v1.2"));
  vorkan::Application::Instance().SetTitle(windowTitle().toStdString());
  vorkan::Application::Instance().SetHintHidePause(-1);
  vorkan::FillDriveList(ops_, *this);
  setRussianTexts();
  // Screen readers name the list by its caption.
  vorkan::NameByCaption(*ui_->driveListCaption, *ui_->driveList);
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::UseWindows(ProgressWindow* progress, DriveDetailsWindow* details, AboutWindow* about) {
  progressWindow_ = progress;
  detailsWindow_ = details;
  aboutWindow_ = about;
  if (detailsWindow_ != nullptr) {
    detailsWindow_->SetFocusOnClose(ui_->driveList);
    detailsWindow_->SetFolderOfRootPath(
        [this](const std::string& rootPath) { return ops_.FolderOfRootPath(rootPath); });
  }
}

void MainWindow::ConfigureButtons() {
  // Enter presses the button that has the focus; elsewhere the default one.
  for (QPushButton* b :
       {ui_->copyButton, ui_->exitButton, ui_->refreshButton, ui_->detailsButton, ui_->aboutButton})
    b->setAutoDefault(true);
  ui_->copyButton->setDefault(true);
  connect(ui_->copyButton, &QPushButton::clicked, this, &MainWindow::copySelectedDrive);
  connect(ui_->exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
  connect(ui_->refreshButton, &QPushButton::clicked, this, &MainWindow::refreshDriveList);
  connect(ui_->detailsButton, &QPushButton::clicked, this, &MainWindow::showDriveDetails);
  connect(ui_->aboutButton, &QPushButton::clicked, this, &MainWindow::showAbout);
}

void MainWindow::ConfigureList() {
  ui_->driveList->setModel(driveTable_);
  QHeaderView* header = ui_->driveList->header();
  header->setSectionsClickable(false);
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  header->resizeSection(0, 45);
  header->resizeSection(1, 100);
  header->resizeSection(2, 80);
  header->setSectionResizeMode(3, QHeaderView::Stretch);
  header->setSectionResizeMode(4, QHeaderView::ResizeToContents);
  ui_->driveList->setIconSize(QSize(kIconSize, kIconSize));
  ui_->driveList->setContextMenuPolicy(Qt::NoContextMenu);
  ui_->driveList->installEventFilter(this);
  ui_->driveList->viewport()->installEventFilter(this);
  connect(ui_->driveList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::showSelectedDrive);
}

void MainWindow::ConfigureSaveDialog() {
  saveDialog = new SaveImageDialog(this);
  saveDialog->setObjectName(QStringLiteral("saveDialog"));
  saveDialog->SetFilters(ImageFilters());
  saveDialog->SetFilterIndex(1);
  saveDialog->SetDefaultExtension(QStringLiteral("IMA"));
  saveDialog->SetOverwritePrompt(true);
  saveDialog->setSizeGripEnabled(true);
}

void MainWindow::setRussianTexts() {
  ui_->driveListCaption->setText(QStringLiteral("Выберите диск для копирования:"));
  ui_->driveListCaption->adjustSize();
  ui_->refreshButton->setText(QStringLiteral("Обновить"));
  ui_->detailsButton->setText(QStringLiteral("Инфо"));
  ui_->aboutButton->setText(QStringLiteral("О программе"));
  ui_->exitButton->setText(QStringLiteral("Выход"));
  ui_->copyButton->setText(QStringLiteral("Копировать"));
  ui_->lockCheckBox->setText(QStringLiteral("Заблокировать диск (рекомедуется)"));
}

// --- keys -------------------------------------------------------------------

void MainWindow::handleKeyUp(int key) {
  switch (key) {
    case Qt::Key_F5: refreshDriveList(); break;
    case Qt::Key_F1: showDriveDetails(); break;
    case Qt::Key_Escape: close(); break;
    default: break;
  }
}

// The window sees every key before the focused control does. The
// application lets each of these keys through once (KeyStrokeFilter): the
// first press, and the real release only when the press came here too, so a
// held key does not act again and the Esc that closes a prompt or the save
// dialog does not close the window as well when it is let go.
bool MainWindow::HandleKey(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (event->type() == QEvent::KeyPress) {
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(QApplication::focusWidget())) {
      ui_->copyButton->click();  // the default button; nothing while it is disabled
      return true;
    }
    return false;
  }
  const bool ours = key->key() == Qt::Key_F5 || key->key() == Qt::Key_F1 || key->key() == Qt::Key_Escape;
  if (ours) handleKeyUp(key->key());
  return ours;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return HandleKey(watched, event);
    case QEvent::FocusIn:
      if (watched == ui_->driveList) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Coming back to the window is not entering the list.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) enterDriveList();
      }
      return false;
    case QEvent::MouseButtonDblClick:
      if (watched == ui_->driveList->viewport() && !inDoubleClick_) {
        // The list takes the click first (on an empty area it clears the
        // selection), then the window acts on the double-click.
        inDoubleClick_ = true;
        QCoreApplication::sendEvent(watched, event);
        inDoubleClick_ = false;
        openSelectedDrive();
        return true;
      }
      return false;
    default: return false;
  }
}

// --- list -------------------------------------------------------------------

void MainWindow::showSelectedDrive() {
  const bool selected = ui_->driveList->selectionModel()->hasSelection();
  ui_->detailsButton->setEnabled(selected);
  ui_->copyButton->setEnabled(selected);
}

void MainWindow::enterDriveList() {
  if (driveTable_->rowCount() > 0 && !ui_->driveList->selectionModel()->hasSelection())
    ui_->driveList->setCurrentIndex(driveTable_->index(0, 0));
}

void MainWindow::openSelectedDrive() { copySelectedDrive(); }

int MainWindow::SelectedIndex() const {
  const QModelIndexList selected = ui_->driveList->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return -1;
  const int index = selected.first().row();
  return index >= 0 && index < driveTable_->rowCount() ? index : -1;
}

// --- buttons ----------------------------------------------------------------

void MainWindow::copySelectedDrive() {
  vorkan::RunCopyRequest(ops_, *this);
  // Closed while the copy ran: the window stays closed and the program ends
  // as soon as the loop gets control back.
  if (vorkan::Application::Instance().IsTerminating()) {
    hide();
    QCoreApplication::quit();
  }
}

void MainWindow::exitProgram() { close(); }

void MainWindow::refreshDriveList() { vorkan::FillDriveList(ops_, *this); }

void MainWindow::showDriveDetails() {
  const int index = SelectedIndex();
  if (index < 0 || !detailsWindow_) return;
  const vorkan::DriveRecord row = driveTable_->Row(index);
  if (detailsWindow_->ShowForDrive(row) == DriveDetailsWindow::Result::Copy) copySelectedDrive();
}

void MainWindow::showAbout() {
  if (aboutWindow_) aboutWindow_->exec();
}

// --- window -----------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  abortRequested = 1;
  vorkan::Application::Instance().SetTerminating(true);
  event->accept();
  QCoreApplication::quit();
}

void MainWindow::showEvent(QShowEvent* event) {
  if (!shownBefore_) {
    shownBefore_ = true;
    vorkan::CentreOnScreen(*this);
  }
  QWidget::showEvent(event);
}

// --- CopyJobHost --------------------------------------------------------------

vorkan::PromptResult MainWindow::ShowPrompt(vorkan::PromptId, const std::string& text,
                                            vorkan::PromptKind kind, vorkan::PromptButtons buttons) {
  // The copy waits for the answer: its title stands still meanwhile.
  vorkan::Application::Instance().FlushTitle();
  return vorkan::ShowPrompt(text, kind, buttons);
}

void MainWindow::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                                  const std::string& doneText, const std::string& freeText,
                                  std::int32_t maximum, std::int32_t position, bool show) {
  if (progressWindow_)
    progressWindow_->ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
  if (show) {
    launcherEntry_.ShowProgress(GetPercentComplete());
    return;
  }
  // The copy is over: its last title and the end of its bar go out now.
  vorkan::Application::Instance().FlushTitle();
  launcherEntry_.HideProgress();
  // A closed main window is not given back at the end of the copy.
  if (vorkan::Application::Instance().IsTerminating()) hide();
}

void MainWindow::ProcessPendingEvents() { vorkan::Application::Instance().ProcessPendingEvents(); }

bool MainWindow::WaitForDescriptor(int fd) {
  return vorkan::Application::Instance().DispatchUntilReadable(fd);
}

bool MainWindow::GetLockOption() { return ui_->lockCheckBox->isChecked(); }

void MainWindow::SetLockOption(bool locked) { ui_->lockCheckBox->setChecked(locked); }

std::string MainWindow::GetMainCaption() { return windowTitle().toStdString(); }

void MainWindow::SetAppTitle(const std::string& title) {
  vorkan::Application::Instance().SetTitle(title);
  // A paused copy stands still: its title goes out at once.
  if (pauseRequested == 1) vorkan::Application::Instance().FlushTitle();
}

std::int32_t MainWindow::GetPercentComplete() {
  return progressWindow_ ? progressWindow_->PercentComplete() : 0;
}

// --- CopyRequestHost ----------------------------------------------------------

bool MainWindow::SelectedRow(vorkan::DriveRecord& row) {
  const int index = SelectedIndex();
  if (index < 0) return false;
  row = driveTable_->Row(index);
  return true;
}

bool MainWindow::RunSaveDialog(const std::string& proposedName, int filterIndex,
                               vorkan::ImageTarget& target) {
  saveDialog->SetFilterIndex(filterIndex >= 1 && filterIndex <= ImageFilters().size() ? filterIndex : 1);
  saveDialog->SetNameText(Q(proposedName));
  saveDialog->SetPlaces(VolumePlaces());
  saveDialog->Forget();
  const int result = saveDialogRunner_ ? saveDialogRunner_(*saveDialog) : saveDialog->exec();
  if (result != QDialog::Accepted || saveDialog->FileName().empty()) return false;
  target = {saveDialog->FileName(), saveDialog->ReplacedFile()};
  return true;
}

// The mounted volumes of the list, as the save dialog's places: "DATA (E:)",
// or the media type for a volume without a label.
std::vector<SaveImageDialog::Place> MainWindow::VolumePlaces() {
  std::vector<SaveImageDialog::Place> places;
  for (const vorkan::DriveRecord& row : driveTable_->Rows()) {
    const std::string folder = ops_.FolderOfRootPath(row.RootPath);
    if (folder.empty()) continue;
    const std::string letter = row.RootPath.substr(0, row.RootPath.find('\\'));
    const std::string& name = row.VolumeLabel.empty() ? row.MediaType : row.VolumeLabel;
    places.push_back({Q(name + " (" + letter + ")"), folder});
  }
  return places;
}

void MainWindow::ClearLockOption() { ui_->lockCheckBox->setChecked(false); }

void MainWindow::SetCopyControlsEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           ui_->copyButton, ui_->exitButton, ui_->refreshButton, ui_->detailsButton, ui_->aboutButton,
           ui_->driveList, ui_->lockCheckBox})
    control->setEnabled(enabled);
}

// The copy is the one place where opening a volume may ask the user for an
// authorization: the drive list and the room check before it only want sizes.
bool MainWindow::RunCopyJob(char sourceLetter, const vorkan::ImageTarget& target, std::string& keptPath) {
  struct Interaction {
    vorkan::VolumeOps& ops;
    explicit Interaction(vorkan::VolumeOps& o) : ops(o) { ops.SetInteractionAllowed(true); }
    ~Interaction() { ops.SetInteractionAllowed(false); }
  } interaction(ops_);
  return vorkan::CopyDiskToImage(ops_, *this, sourceLetter, target, &keptPath);
}

void MainWindow::ClearRequestFlags() {
  abortRequested = 0;
  pauseRequested = 0;
}

void MainWindow::RestoreTitle() {
  vorkan::Application::Instance().SetTitle(windowTitle().toStdString());
  vorkan::Application::Instance().FlushTitle();
}

void MainWindow::RestoreApplication() {
  if (vorkan::Application::Instance().IsMinimized()) vorkan::Application::Instance().Restore();
}

void MainWindow::RebuildDriveList() { vorkan::FillDriveList(ops_, *this); }

void MainWindow::FocusListIfActive() {
  if (isActiveWindow()) ui_->driveList->setFocus(Qt::OtherFocusReason);
}

// --- DriveListTarget ------------------------------------------------------------

void MainWindow::Clear() {
  // The selection goes before the rows, as a change the buttons follow: a
  // reset of the rows would drop it without a word.
  ui_->driveList->selectionModel()->clear();
  driveTable_->Clear();
  driveIcons.clear();
}

void MainWindow::AppendRow(const vorkan::DriveRecord& record) { driveTable_->AppendRow(record); }

int MainWindow::RowCount() const { return driveTable_->rowCount(); }

void MainWindow::AppendImage(const QPixmap& icon) {
  // Not masked: the icon is laid on the list's white background.
  QPixmap image(kIconSize, kIconSize);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.drawPixmap(QRect(0, 0, kIconSize, kIconSize), icon);
  painter.end();
  driveIcons.append(image);
}

bool MainWindow::AppendDriveIcon(const std::string& rootPath, vorkan::DriveKind driveType) {
  const bool floppy = !rootPath.empty() && (rootPath[0] == 'A' || rootPath[0] == 'B');
  const QPixmap icon = vorkan::DriveIconPixmap(driveType, floppy);
  if (icon.isNull()) return false;
  AppendImage(icon);
  return true;
}

void MainWindow::AppendApplicationIcon() { AppendImage(vorkan::ApplicationIconPixmap()); }

int MainWindow::ImageCount() const { return static_cast<int>(driveIcons.size()); }

void MainWindow::SetStateImage(int row, int image) {
  if (row < 0 || row >= driveTable_->rowCount() || image < 0 || image >= driveIcons.size()) return;
  driveTable_->SetIcon(row, QIcon(driveIcons[image]));
}

void MainWindow::SelectAndFocusRow(int row) {
  const QModelIndex index = driveTable_->index(row, 0);
  if (index.isValid()) ui_->driveList->setCurrentIndex(index);
}

bool MainWindow::IsOnScreen() const { return isVisible(); }

void MainWindow::FocusList() { ui_->driveList->setFocus(Qt::OtherFocusReason); }
