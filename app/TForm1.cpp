#include "TForm1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "Application.h"
#include "CaptionNames.h"
#include "CopyJob.h"
#include "DriveIcons.h"
#include "ShowPrompt.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"
#include "ui_TForm1.h"
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
  if (className != QLatin1String(TForm1::staticMetaObject.className()) || !object->isWidgetType())
    return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

}  // namespace

TForm1::TForm1(vorkan::VolumeOps& ops, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()), ops_(ops) {
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
  FormCreate();
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

void TForm1::UseWindows(TForm2* form2, TForm3* form3, TForm4* form4) {
  form2_ = form2;
  form3_ = form3;
  form4_ = form4;
  if (form3_ != nullptr) {
    form3_->SetFocusOnClose(ui_->ListView1);
    form3_->SetFolderOfRootPath(
        [this](const std::string& rootPath) { return ops_.FolderOfRootPath(rootPath); });
  }
}

void TForm1::ConfigureButtons() {
  // Enter presses the button that has the focus; elsewhere the default one.
  for (QPushButton* b : {ui_->Button1, ui_->Button2, ui_->Button3, ui_->Button4, ui_->Button5})
    b->setAutoDefault(true);
  ui_->Button1->setDefault(true);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(ui_->Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
}

void TForm1::ConfigureList() {
  QHeaderView* header = ui_->ListView1->header();
  header->setSectionsClickable(false);
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  header->resizeSection(0, 45);
  header->resizeSection(1, 100);
  header->resizeSection(2, 80);
  header->setSectionResizeMode(3, QHeaderView::Stretch);
  header->setSectionResizeMode(4, QHeaderView::ResizeToContents);
  ui_->ListView1->setIconSize(QSize(kIconSize, kIconSize));
  ui_->ListView1->setContextMenuPolicy(Qt::NoContextMenu);
  ui_->ListView1->installEventFilter(this);
  ui_->ListView1->viewport()->installEventFilter(this);
  connect(ui_->ListView1, &QTreeWidget::itemSelectionChanged, this, &TForm1::ListView1SelectItem);
}

void TForm1::ConfigureSaveDialog() {
  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  SaveDialog1->SetFilters(ImageFilters());
  SaveDialog1->SetFilterIndex(1);
  SaveDialog1->SetDefaultExtension(QStringLiteral("IMA"));
  SaveDialog1->SetOverwritePrompt(true);
  SaveDialog1->setSizeGripEnabled(true);
}

void TForm1::FormCreate() {
  setWindowTitle(QStringLiteral("Vorkan v1.2"));
  vorkan::Application::Instance().SetTitle(windowTitle().toStdString());
  vorkan::Application::Instance().SetHintHidePause(-1);
  abortRequested = 0;
  pauseRequested = 0;
  vorkan::FillDriveList(ops_, *this);
  ui_->Label2->setText(QStringLiteral("Выберите диск для копирования:"));
  ui_->Label2->adjustSize();
  ui_->Button3->setText(QStringLiteral("Обновить"));
  ui_->Button4->setText(QStringLiteral("Инфо"));
  ui_->Button5->setText(QStringLiteral("О программе"));
  ui_->Button2->setText(QStringLiteral("Выход"));
  ui_->Button1->setText(QStringLiteral("Копировать"));
  ui_->CheckBox1->setText(QStringLiteral("Заблокировать диск (рекомедуется)"));
  const QStringList headings = {QStringLiteral("Диск"), QStringLiteral("Метка"), QStringLiteral("Тип"),
                                QStringLiteral("Размер"), QStringLiteral("Свободно")};
  ui_->ListView1->setHeaderLabels(headings);
  // Screen readers name the list by its caption.
  vorkan::NameByCaption(*ui_->Label2, *ui_->ListView1);
}

// --- keys -------------------------------------------------------------------

void TForm1::FormKeyUp(int key) {
  switch (key) {
    case Qt::Key_F5: Button3Click(); break;
    case Qt::Key_F1: Button4Click(); break;
    case Qt::Key_Escape: close(); break;
    default: break;
  }
}

// The window sees every key before the focused control does. The
// application lets each of these keys through once (KeyStrokeFilter): the
// first press, and the real release only when the press came here too, so a
// held key does not act again and the Esc that closes a prompt or the save
// dialog does not close the window as well when it is let go.
bool TForm1::HandleKey(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (event->type() == QEvent::KeyPress) {
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(QApplication::focusWidget())) {
      ui_->Button1->click();  // the default button; nothing while it is disabled
      return true;
    }
    return false;
  }
  const bool ours = key->key() == Qt::Key_F5 || key->key() == Qt::Key_F1 || key->key() == Qt::Key_Escape;
  if (ours) FormKeyUp(key->key());
  return ours;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return HandleKey(watched, event);
    case QEvent::FocusIn:
      if (watched == ui_->ListView1) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Coming back to the window is not entering the list.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) ListView1Enter();
      }
      return false;
    case QEvent::MouseButtonDblClick:
      if (watched == ui_->ListView1->viewport() && !inDoubleClick_) {
        // The list takes the click first (on an empty area it clears the
        // selection), then the window acts on the double-click.
        inDoubleClick_ = true;
        QCoreApplication::sendEvent(watched, event);
        inDoubleClick_ = false;
        ListView1DblClick();
        return true;
      }
      return false;
    default: return false;
  }
}

// --- list -------------------------------------------------------------------

void TForm1::ListView1SelectItem() {
  const bool selected = !ui_->ListView1->selectedItems().isEmpty();
  ui_->Button4->setEnabled(selected);
  ui_->Button1->setEnabled(selected);
}

void TForm1::ListView1Enter() {
  if (ui_->ListView1->topLevelItemCount() > 0 && ui_->ListView1->selectedItems().isEmpty())
    ui_->ListView1->setCurrentItem(ui_->ListView1->topLevelItem(0));
}

void TForm1::ListView1DblClick() { Button1Click(); }

int TForm1::SelectedIndex() const {
  const QList<QTreeWidgetItem*> selected = ui_->ListView1->selectedItems();
  if (selected.isEmpty()) return -1;
  const int index = ui_->ListView1->indexOfTopLevelItem(selected.first());
  return index >= 0 && index < static_cast<int>(rows_.size()) ? index : -1;
}

// --- buttons ----------------------------------------------------------------

void TForm1::Button1Click() {
  vorkan::RunCopyRequest(ops_, *this);
  // Closed while the copy ran: the window stays closed and the program ends
  // as soon as the loop gets control back.
  if (vorkan::Application::Instance().IsTerminating()) {
    hide();
    QCoreApplication::quit();
  }
}

void TForm1::Button2Click() { close(); }

void TForm1::Button3Click() { vorkan::FillDriveList(ops_, *this); }

void TForm1::Button4Click() {
  const int index = SelectedIndex();
  if (index < 0 || !form3_) return;
  const vorkan::DriveRecord row = rows_[static_cast<std::size_t>(index)];
  if (form3_->ShowForDrive(row) == TForm3::Result::Copy) Button1Click();
}

void TForm1::Button5Click() {
  if (form4_) form4_->exec();
}

// --- window -----------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
  abortRequested = 1;
  vorkan::Application::Instance().SetTerminating(true);
  event->accept();
  QCoreApplication::quit();
}

void TForm1::showEvent(QShowEvent* event) {
  if (!shownBefore_) {
    shownBefore_ = true;
    vorkan::CentreOnScreen(*this);
  }
  QWidget::showEvent(event);
}

// --- CopyJobHost --------------------------------------------------------------

vorkan::PromptResult TForm1::ShowPrompt(vorkan::PromptId, const std::string& text, vorkan::PromptKind kind,
                                        vorkan::PromptButtons buttons) {
  // The copy waits for the answer: its title stands still meanwhile.
  vorkan::Application::Instance().FlushTitle();
  return vorkan::ShowPrompt(text, kind, buttons);
}

void TForm1::ShowCopyProgress(const std::string& caption, const std::string& fileName,
                              const std::string& doneText, const std::string& freeText, std::int32_t maximum,
                              std::int32_t position, bool show) {
  if (form2_) form2_->ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
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

void TForm1::ProcessPendingEvents() { vorkan::Application::Instance().ProcessPendingEvents(); }

bool TForm1::WaitForDescriptor(int fd) { return vorkan::Application::Instance().DispatchUntilReadable(fd); }

bool TForm1::GetLockOption() { return ui_->CheckBox1->isChecked(); }

void TForm1::SetLockOption(bool locked) { ui_->CheckBox1->setChecked(locked); }

std::string TForm1::GetMainCaption() { return windowTitle().toStdString(); }

void TForm1::SetAppTitle(const std::string& title) {
  vorkan::Application::Instance().SetTitle(title);
  // A paused copy stands still: its title goes out at once.
  if (pauseRequested == 1) vorkan::Application::Instance().FlushTitle();
}

std::int32_t TForm1::GetPercentComplete() { return form2_ ? form2_->PercentComplete() : 0; }

// --- CopyRequestHost ----------------------------------------------------------

bool TForm1::SelectedRow(vorkan::DriveRecord& row) {
  const int index = SelectedIndex();
  if (index < 0) return false;
  row = rows_[static_cast<std::size_t>(index)];
  return true;
}

bool TForm1::RunSaveDialog(const std::string& proposedName, int filterIndex, vorkan::ImageTarget& target) {
  SaveDialog1->SetFilterIndex(filterIndex >= 1 && filterIndex <= ImageFilters().size() ? filterIndex : 1);
  SaveDialog1->SetNameText(Q(proposedName));
  SaveDialog1->SetPlaces(VolumePlaces());
  SaveDialog1->Forget();
  const int result = saveDialogRunner ? saveDialogRunner(*SaveDialog1) : SaveDialog1->exec();
  if (result != QDialog::Accepted || SaveDialog1->FileName().empty()) return false;
  target = {SaveDialog1->FileName(), SaveDialog1->ReplacedFile()};
  return true;
}

// The mounted volumes of the list, as the save dialog's places: "DATA (E:)",
// or the media type for a volume without a label.
std::vector<TSaveDialog::Place> TForm1::VolumePlaces() {
  std::vector<TSaveDialog::Place> places;
  for (const vorkan::DriveRecord& row : rows_) {
    const std::string folder = ops_.FolderOfRootPath(row.RootPath);
    if (folder.empty()) continue;
    const std::string letter = row.RootPath.substr(0, row.RootPath.find('\\'));
    const std::string& name = row.VolumeLabel().empty() ? row.MediaType() : row.VolumeLabel();
    places.push_back({Q(name + " (" + letter + ")"), folder});
  }
  return places;
}

void TForm1::ClearLockOption() { ui_->CheckBox1->setChecked(false); }

void TForm1::SetCopyControlsEnabled(bool enabled) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{ui_->Button1, ui_->Button2, ui_->Button3, ui_->Button4, ui_->Button5,
                                       ui_->ListView1, ui_->CheckBox1})
    control->setEnabled(enabled);
}

// The copy is the one place where opening a volume may ask the user for an
// authorization: the drive list and the room check before it only want sizes.
bool TForm1::RunCopyJob(char sourceLetter, const vorkan::ImageTarget& target, std::string& keptPath) {
  struct Interaction {
    vorkan::VolumeOps& ops;
    explicit Interaction(vorkan::VolumeOps& o) : ops(o) { ops.SetInteractionAllowed(true); }
    ~Interaction() { ops.SetInteractionAllowed(false); }
  } interaction(ops_);
  return vorkan::CopyDiskToImage(ops_, *this, sourceLetter, target, &keptPath);
}

void TForm1::ClearRequestFlags() {
  abortRequested = 0;
  pauseRequested = 0;
}

void TForm1::RestoreTitle() {
  vorkan::Application::Instance().SetTitle(windowTitle().toStdString());
  vorkan::Application::Instance().FlushTitle();
}

void TForm1::RestoreApplication() {
  if (vorkan::Application::Instance().IsMinimized()) vorkan::Application::Instance().Restore();
}

void TForm1::RebuildDriveList() { vorkan::FillDriveList(ops_, *this); }

void TForm1::FocusListIfActive() {
  if (isActiveWindow()) ui_->ListView1->setFocus(Qt::OtherFocusReason);
}

// --- DriveListTarget ------------------------------------------------------------

void TForm1::Clear() {
  ui_->ListView1->clear();
  rows_.clear();
  ImageList1.clear();
}

void TForm1::AppendRow(const vorkan::DriveRecord& record) {
  auto* item =
      new QTreeWidgetItem(QStringList{Q(record.RootPath), Q(record.VolumeLabel()), Q(record.MediaType()),
                                      Q(record.SizeText()), Q(record.FreeText())});
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
  rows_.push_back(record);
  ui_->ListView1->addTopLevelItem(item);
}

int TForm1::RowCount() const { return ui_->ListView1->topLevelItemCount(); }

void TForm1::AppendImage(const QPixmap& icon) {
  // Not masked: the icon is laid on the list's white background.
  QPixmap image(kIconSize, kIconSize);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.drawPixmap(QRect(0, 0, kIconSize, kIconSize), icon);
  painter.end();
  ImageList1.append(image);
}

bool TForm1::AppendDriveIcon(const std::string& rootPath, vorkan::DriveKind driveType) {
  const bool floppy = !rootPath.empty() && (rootPath[0] == 'A' || rootPath[0] == 'B');
  const QPixmap icon = vorkan::DriveIconPixmap(driveType, floppy);
  if (icon.isNull()) return false;
  AppendImage(icon);
  return true;
}

void TForm1::AppendApplicationIcon() { AppendImage(vorkan::ApplicationIconPixmap()); }

int TForm1::ImageCount() const { return static_cast<int>(ImageList1.size()); }

void TForm1::SetStateImage(int row, int image) {
  QTreeWidgetItem* item = ui_->ListView1->topLevelItem(row);
  if (!item || image < 0 || image >= ImageList1.size()) return;
  item->setIcon(0, QIcon(ImageList1[image]));
}

void TForm1::SelectAndFocusRow(int row) {
  if (QTreeWidgetItem* item = ui_->ListView1->topLevelItem(row)) ui_->ListView1->setCurrentItem(item);
}

bool TForm1::IsOnScreen() const { return isVisible(); }

void TForm1::FocusList() { ui_->ListView1->setFocus(Qt::OtherFocusReason); }
