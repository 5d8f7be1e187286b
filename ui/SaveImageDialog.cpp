// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveImageDialog.h"

#include <pwd.h>
#include <unistd.h>

#include <QCompleter>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyle>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "FolderListing.h"
#include "TextDecoding.h"
#include "volume/FileIdentity.h"
#include "ui_SaveImageDialog.h"

namespace {

constexpr int kNameRole = Qt::UserRole;        // the entry's name, as bytes
constexpr int kFolderRole = Qt::UserRole + 1;  // true for a folder
constexpr int kSizeRole = Qt::UserRole + 2;    // bytes
constexpr int kTimeRole = Qt::UserRole + 3;    // seconds since 1970

// Qt's own words for the file dialog, in the desktop's language when Qt's
// translations are loaded; the column titles are those of Qt's file model.
QString QtText(const char* text) { return QCoreApplication::translate("QFileDialog", text); }
QString ModelText(const char* text) { return QCoreApplication::translate("QFileSystemModel", text); }

// Bytes from the file system as text to show: what is not UTF-8 shows as U+FFFD.
QString Shown(const std::string& bytes) { return QString::fromStdString(vorkan::ToValidUtf8(bytes)); }

std::string WorkingFolder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// "~" and "~/..." are the home folder, "~user/..." that user's, given in
// `home`; anything else stands as typed.
std::string ExpandTilde(const std::string& typed, std::string& home) {
  home.clear();
  if (typed.empty() || typed[0] != '~') return typed;
  const std::size_t slash = typed.find('/');
  const std::string user = typed.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
  if (user.empty()) {
    if (const char* value = getenv("HOME")) home = value;
  } else if (const passwd* entry = getpwnam(user.c_str())) {
    home = entry->pw_dir;
  }
  if (home.empty()) return typed;
  return home + (slash == std::string::npos ? std::string() : typed.substr(slash));
}

// The patterns in the parentheses of a filter ("Image file (*.IMA)").
QStringList FilterPatterns(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(u'(');
  const qsizetype close = filter.lastIndexOf(u')');
  const QString patterns = open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
  return patterns.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// The extension of a filter's first pattern when it is "*.EXT".
QString FilterExtension(const QString& filter) {
  const QStringList patterns = FilterPatterns(filter);
  if (patterns.isEmpty() || !patterns[0].startsWith(QLatin1String("*."))) return {};
  const QString extension = patterns[0].mid(2);
  return extension.contains(u'*') || extension.contains(u'?') ? QString() : extension;
}

QByteArray NameOf(const QTreeWidgetItem& item) { return item.data(0, kNameRole).toByteArray(); }

// A row of the list: folders come first whichever way it is sorted, and sizes
// and dates sort by their values; equal ones by name.
class EntryItem : public QTreeWidgetItem {
 public:
  bool operator<(const QTreeWidgetItem& other) const override {
    const QTreeWidget* list = treeWidget();
    const int column = list ? list->header()->sortIndicatorSection() : 0;
    const bool ascending = !list || list->header()->sortIndicatorOrder() == Qt::AscendingOrder;
    const bool folder = data(0, kFolderRole).toBool();
    if (folder != other.data(0, kFolderRole).toBool()) return ascending == folder;
    if (column == 1 || column == 3) {
      const int role = column == 1 ? kSizeRole : kTimeRole;
      const qint64 mine = data(0, role).toLongLong(), theirs = other.data(0, role).toLongLong();
      if (mine != theirs) return mine < theirs;
    } else if (column == 2) {
      if (const int order = text(2).localeAwareCompare(other.text(2))) return order < 0;
    }
    return vorkan::NameBefore(NameOf(*this).toStdString(), NameOf(other).toStdString());
  }
};

}  // namespace

SaveImageDialog::SaveImageDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SaveImageDialog>()), folder_(WorkingFolder()) {
  ui_->setupUi(this);
  setWindowTitle(QtText("Save As"));
  ui_->lookInLabel->setText(QtText("Look in:"));
  ui_->fileNameLabel->setText(QtText("File &name:"));
  ui_->fileTypeLabel->setText(QtText("Files of type:"));
  ui_->toParentButton->setToolTip(QtText("Parent Directory"));
  ui_->toParentButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent, nullptr, this));
  ui_->newFolderButton->setToolTip(QtText("Create New Folder"));
  ui_->newFolderButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder, nullptr, this));
  ui_->placesList->setAccessibleName(QtText("List of places and bookmarks"));
  const int small = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  ui_->placesList->setIconSize(QSize(small, small));
  ui_->splitter->setStretchFactor(1, 1);
  ui_->fileList->setHeaderLabels(
      {ModelText("Name"), ModelText("Size"), ModelText("Type"), ModelText("Date Modified")});
  ui_->fileList->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  ui_->fileList->header()->setSectionsMovable(false);
  ui_->fileList->sortByColumn(0, Qt::AscendingOrder);
  QPushButton* save = ui_->buttonBox->button(QDialogButtonBox::Save);
  save->setText(QtText("&Save"));
  save->setDefault(true);
  ui_->buttonBox->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
  save->setObjectName(QStringLiteral("saveButton"));
  ui_->buttonBox->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));

  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &SaveImageDialog::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &SaveImageDialog::reject);
  connect(ui_->toParentButton, &QToolButton::clicked, this, &SaveImageDialog::ToParent);
  connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), this), &QShortcut::activated, this,
          &SaveImageDialog::ToParent);
  connect(ui_->newFolderButton, &QToolButton::clicked, this, &SaveImageDialog::NewFolder);
  // Queued: the name is taken once the editor has gone, and a refusal's
  // message does not run inside its closing.
  connect(ui_->fileList->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          &SaveImageDialog::FinishNaming, Qt::QueuedConnection);
  connect(ui_->placesList, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { EnterFolder(item->data(kNameRole).toByteArray().toStdString()); });
  connect(ui_->fileList, &QTreeWidget::itemSelectionChanged, this, &SaveImageDialog::ItemSelected);
  connect(ui_->fileTypeCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
    const QString extension = FilterExtension(ui_->fileTypeCombo->itemText(index));
    if (!extension.isEmpty()) defaultExtension_ = extension;
    if (isVisible()) ReadFolder();
  });
  ui_->fileList->installEventFilter(this);
  ui_->fileList->viewport()->installEventFilter(this);
  ui_->placesList->installEventFilter(this);

  completions_ = new QStringListModel(this);
  auto* completer = new QCompleter(completions_, this);
  completer->setCaseSensitivity(Qt::CaseSensitive);
  ui_->fileNameEdit->setCompleter(completer);
  connect(ui_->fileNameEdit, &QLineEdit::textEdited, this, &SaveImageDialog::UpdateCompletions);
}

SaveImageDialog::~SaveImageDialog() = default;

void SaveImageDialog::SetFilters(const QStringList& filters) {
  ui_->fileTypeCombo->clear();
  ui_->fileTypeCombo->addItems(filters);
}

QStringList SaveImageDialog::Filters() const {
  QStringList filters;
  for (int i = 0; i < ui_->fileTypeCombo->count(); ++i) filters << ui_->fileTypeCombo->itemText(i);
  return filters;
}

void SaveImageDialog::SetFilterIndex(int index) {
  if (index < 1 || index > ui_->fileTypeCombo->count()) return;
  ui_->fileTypeCombo->setCurrentIndex(index - 1);
  const QString extension = FilterExtension(ui_->fileTypeCombo->currentText());
  if (!extension.isEmpty()) defaultExtension_ = extension;
}

int SaveImageDialog::FilterIndex() const { return ui_->fileTypeCombo->currentIndex() + 1; }

void SaveImageDialog::SetFolder(const std::string& folder) {
  folder_ = vorkan::CleanPath(folder_, folder);
  if (isVisible()) ReadFolder();
}

void SaveImageDialog::SetPlaces(std::vector<Place> places) {
  volumes_ = std::move(places);
  if (isVisible()) FillPlaces();
}

void SaveImageDialog::SetNameText(const QString& name) {
  ui_->fileNameEdit->setText(name);
  selectedName_.clear();
  selectedText_.clear();
}

void SaveImageDialog::EnterFolder(const std::string& folder) {
  const std::string clean = vorkan::CleanPath(folder_, folder);
  if (!vorkan::IsFolder(clean)) {  // a place whose volume went away
    NotFound(clean);
    return;
  }
  folder_ = clean;
  ReadFolder();
}

// The folder left stands current in its parent, so that going back down is
// one Return.
void SaveImageDialog::ToParent() {
  const std::string left = folder_.substr(folder_.find_last_of('/') + 1);
  EnterFolder(vorkan::ParentFolder(folder_));
  if (QTreeWidgetItem* item = ItemNamed(left)) {
    ui_->fileList->setCurrentItem(item);
    ui_->fileList->scrollToItem(item);
  }
}

void SaveImageDialog::FillPlaces() {
  std::vector<Place> places;
  if (const char* value = getenv("HOME"); value && vorkan::IsFolder(value)) {
    const std::string home = vorkan::CleanPath("/", value);
    places.push_back({QStandardPaths::displayName(QStandardPaths::HomeLocation), home});
    const std::string desktop = vorkan::DesktopFolder(home);
    if (!desktop.empty())
      places.push_back({QStandardPaths::displayName(QStandardPaths::DesktopLocation), desktop});
  }
  const std::size_t volumesFrom = places.size();
  places.insert(places.end(), volumes_.begin(), volumes_.end());
  ui_->placesList->clear();
  for (std::size_t i = 0; i < places.size(); ++i) {
    const QStyle::StandardPixmap icon = i >= volumesFrom ? QStyle::SP_DriveHDIcon
                                        : i == 0         ? QStyle::SP_DirHomeIcon
                                                         : QStyle::SP_DesktopIcon;
    auto* item = new QListWidgetItem(style()->standardIcon(icon, nullptr, this), places[i].text);
    item->setData(kNameRole, QByteArray::fromStdString(places[i].folder));
    ui_->placesList->addItem(item);
  }
  MarkPlace();
}

// The place of the folder shown, if it is one, stands selected.
void SaveImageDialog::MarkPlace() {
  QListWidget* places = ui_->placesList;
  for (int row = 0; row < places->count(); ++row) {
    if (places->item(row)->data(kNameRole).toByteArray().toStdString() != folder_) continue;
    places->setCurrentRow(row);
    return;
  }
  places->clearSelection();
}

void SaveImageDialog::ReadFolder() {
  ui_->lookInEdit->setText(Shown(folder_));
  ui_->lookInEdit->setCursorPosition(0);
  ui_->toParentButton->setEnabled(folder_ != "/");
  const QStringList patterns = FilterPatterns(ui_->fileTypeCombo->currentText());
  std::vector<vorkan::FolderEntry> entries;
  vorkan::ListFolder(folder_, entries);  // an unreadable folder shows empty, as it is
  const QLocale locale = QLocale::system();
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon, nullptr, this);
  const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon, nullptr, this);
  QList<QTreeWidgetItem*> items;
  for (const vorkan::FolderEntry& entry : entries) {
    if (!entry.isFolder && !patterns.isEmpty() &&
        std::none_of(patterns.begin(), patterns.end(), [&](const QString& pattern) {
          return vorkan::MatchesPattern(entry.name, pattern.toStdString());
        }))
      continue;
    auto* item = new EntryItem;
    const QString name = Shown(entry.name);
    item->setText(0, name);
    item->setIcon(0, entry.isFolder ? folderIcon : fileIcon);
    item->setData(0, kNameRole, QByteArray::fromStdString(entry.name));
    item->setData(0, kFolderRole, entry.isFolder);
    item->setData(0, kSizeRole, static_cast<qint64>(entry.size));
    item->setData(0, kTimeRole, static_cast<qint64>(entry.modified));
    if (entry.isFolder) {
      item->setText(2, QtText("Folder"));
    } else {
      item->setText(1, locale.formattedDataSize(entry.size));
      item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
      const qsizetype dot = name.lastIndexOf(u'.');
      item->setText(2, dot > 0 ? QtText("%1 File").arg(name.mid(dot + 1)) : QtText("File"));
    }
    item->setText(3, locale.toString(QDateTime::fromSecsSinceEpoch(entry.modified), QLocale::ShortFormat));
    items << item;
  }
  namedFolder_.clear();
  ui_->fileList->clear();
  ui_->fileList->addTopLevelItems(items);
  selectedName_.clear();
  selectedText_.clear();
  completedFolder_.clear();
  MarkPlace();
  FitColumns();
}

QTreeWidgetItem* SaveImageDialog::ItemNamed(const std::string& name) const {
  for (int row = 0; row < ui_->fileList->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = ui_->fileList->topLevelItem(row);
    if (NameOf(*item).toStdString() == name) return item;
  }
  return nullptr;
}

void SaveImageDialog::NewFolder() {
  std::string made;
  int error = 0;
  if (!vorkan::MakeNumberedFolder(folder_, QtText("New Folder").toStdString(), made, error)) {
    QMessageBox::warning(this, windowTitle(),
                         QString::fromUtf8("Не удалось создать папку в %1:\n%2")
                             .arg(Shown(folder_), QString::fromLocal8Bit(std::strerror(error))));
    return;
  }
  ReadFolder();
  NameInPlace(ItemNamed(made));
}

void SaveImageDialog::NameInPlace(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  namedFolder_ = NameOf(*item).toStdString();
  ui_->fileList->setCurrentItem(item);
  ui_->fileList->scrollToItem(item);
  ui_->fileList->setFocus(Qt::OtherFocusReason);
  ui_->fileList->editItem(item, 0);
}

// The editor of a new folder's name has closed: the folder takes the name
// typed, as UTF-8 bytes, unless it is taken or no name; a refused name is
// shown in Qt's own words and typed again.
void SaveImageDialog::FinishNaming() {
  if (namedFolder_.empty()) return;
  const std::string from = namedFolder_;
  namedFolder_.clear();
  QTreeWidgetItem* item = ItemNamed(from);
  if (item == nullptr) return;
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  const QString text = item->text(0);
  const std::string to = text.toStdString();
  std::string renamed = from;
  if (text != Shown(from)) {
    int error = 0;
    if (to.empty() || to == "." || to == ".." || to.find('/') != std::string::npos ||
        !vorkan::RenameWithoutReplacing(vorkan::JoinPath(folder_, from), vorkan::JoinPath(folder_, to),
                                        error)) {
      item->setText(0, Shown(from));
      QMessageBox::information(this, ModelText("Invalid filename"),
                               ModelText("<b>The name \"%1\" cannot be used.</b><p>Try using another name, "
                                         "with fewer characters or no punctuation marks.")
                                   .arg(text.toHtmlEscaped()));
      NameInPlace(ItemNamed(from));
      return;
    }
    renamed = to;
    ReadFolder();
  }
  // Selected, so that Return or a double-click enters it.
  if (QTreeWidgetItem* done = ItemNamed(renamed)) {
    ui_->fileList->setCurrentItem(done);
    ui_->fileList->scrollToItem(done);
  }
  ui_->fileList->setFocus(Qt::OtherFocusReason);
}

// The completions of the folder the typed text names up to its last "/" (the
// folder shown when there is none): its folders, each with a "/" after it,
// and its files of the chosen type. Names that are not UTF-8 cannot be typed
// back as text and are left out.
void SaveImageDialog::UpdateCompletions(const QString& text) {
  const QString prefix = text.left(text.lastIndexOf(u'/') + 1);
  std::string home;
  const std::string folder = vorkan::CleanPath(folder_, ExpandTilde(prefix.toStdString(), home));
  if (folder == completedFolder_ && prefix == completedPrefix_) return;
  completedFolder_ = folder;
  completedPrefix_ = prefix;
  const QStringList patterns = FilterPatterns(ui_->fileTypeCombo->currentText());
  std::vector<vorkan::FolderEntry> entries;
  vorkan::ListFolder(folder, entries);
  QStringList words;
  for (const vorkan::FolderEntry& entry : entries) {
    if (!vorkan::IsValidUtf8(entry.name)) continue;
    if (!entry.isFolder && !patterns.isEmpty() &&
        std::none_of(patterns.begin(), patterns.end(), [&](const QString& pattern) {
          return vorkan::MatchesPattern(entry.name, pattern.toStdString());
        }))
      continue;
    words << prefix + QString::fromStdString(entry.name) + (entry.isFolder ? QStringLiteral("/") : QString());
  }
  completions_->setStringList(words);
}

void SaveImageDialog::FitColumns() {
  // The size and date columns fit the longest texts of the system's formats,
  // whatever the folder holds, so that they do not change width from folder
  // to folder; every column fits what it shows.
  QTreeWidget* list = ui_->fileList;
  QHeaderView* header = list->header();
  const QLocale locale = QLocale::system();
  const QFontMetrics metrics = list->fontMetrics();
  const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) +
                      metrics.averageCharWidth();
  const auto fit = [&](int column, const QStringList& texts) {
    int width = std::max(header->sectionSize(column),
                         static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column));
    width = std::max(width, header->sectionSizeHint(column));
    for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text) + margins);
    header->resizeSection(column, width);
  };
  QStringList sizes;
  for (const qint64 bytes :
       {qint64(1023), qint64(1048575) - 5, (qint64(1) << 30) - 5000, (qint64(1) << 40) - 5000000})
    sizes << locale.formattedDataSize(bytes);
  fit(0, {QStringLiteral("M").repeated(16)});
  fit(1, sizes);
  fit(2, {QtText("Folder"), QtText("%1 File").arg(QStringLiteral("FSS"))});
  fit(3, {locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat)});
}

void SaveImageDialog::showEvent(QShowEvent* event) {
  FillPlaces();
  ReadFolder();
  QDialog::showEvent(event);
  ui_->fileNameEdit->setFocus();
  ui_->fileNameEdit->selectAll();
  if (sized_) return;
  sized_ = true;
  // The places as wide as their longest text, within reason.
  QListWidget* places = ui_->placesList;
  const int placesWidth =
      std::clamp(static_cast<QAbstractItemView*>(places)->sizeHintForColumn(0) + 2 * places->frameWidth() +
                     places->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, places),
                 100, 240);
  ui_->splitter->setSizes({placesWidth, ui_->splitter->width() - placesWidth});
  // Wide enough that every column shows, within the screen.
  const int extra = ui_->fileList->header()->length() - ui_->fileList->viewport()->width();
  if (extra <= 0) return;
  int width = this->width() + extra;
  if (const QScreen* screen = this->screen()) width = std::min(width, screen->availableGeometry().width());
  resize(width, height());
}

bool SaveImageDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->placesList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    QListWidgetItem* item = ui_->placesList->currentItem();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && item) {
      EnterFolder(item->data(kNameRole).toByteArray().toStdString());
      return true;
    }
  }
  if (watched == ui_->fileList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // The Return that ends the typing of a new folder's name, passed on by
    // its editor: it neither enters the folder nor saves.
    if (!namedFolder_.empty() && (key == Qt::Key_Return || key == Qt::Key_Enter)) return true;
    QTreeWidgetItem* item = ui_->fileList->currentItem();
    // Return on a selected folder enters it; on a file it saves, as the
    // default button does.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && item && item->isSelected() &&
        item->data(0, kFolderRole).toBool()) {
      EnterFolder(vorkan::JoinPath(folder_, item->data(0, kNameRole).toByteArray().toStdString()));
      return true;
    }
    if (key == Qt::Key_Backspace) {
      ToParent();
      return true;
    }
  }
  // The double-click is taken here rather than from the list's signal, which
  // wants the press before it on the same row.
  if (watched == ui_->fileList->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    ItemDoubleClicked(ui_->fileList->itemAt(mouse->position().toPoint()));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void SaveImageDialog::ItemSelected() {
  const QList<QTreeWidgetItem*> selected = ui_->fileList->selectedItems();
  if (selected.isEmpty() || selected[0]->data(0, kFolderRole).toBool()) return;
  selectedText_ = selected[0]->text(0);
  selectedName_ = selected[0]->data(0, kNameRole).toByteArray().toStdString();
  ui_->fileNameEdit->setText(selectedText_);
}

void SaveImageDialog::ItemDoubleClicked(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  if (item->data(0, kFolderRole).toBool()) {
    EnterFolder(vorkan::JoinPath(folder_, item->data(0, kNameRole).toByteArray().toStdString()));
    return;
  }
  ItemSelected();
  accept();
}

void SaveImageDialog::NotFound(const std::string& folder) {
  QMessageBox::warning(this, windowTitle(),
                       QtText("%1\nDirectory not found.\nPlease verify the correct directory name was given.")
                           .arg(Shown(folder)));
}

// A symbolic link is replaced by the image itself; what it points to is left
// alone, and the question says so.
QString SaveImageDialog::ReplaceQuestion(const std::string& path, const std::string& name) const {
  std::string target;
  if (!vorkan::ReadLink(path, target))
    return QtText("%1 already exists.\nDo you want to replace it?").arg(Shown(name));
  return QString::fromUtf8("%1 — ссылка на %2.\nЗаменить ссылку образом? Файл %2 останется как есть.")
      .arg(Shown(name), Shown(target));
}

std::string SaveImageDialog::TypedName() const {
  const QString text = ui_->fileNameEdit->text();
  if (!selectedName_.empty() && text == selectedText_) return selectedName_;
  return text.toStdString();
}

void SaveImageDialog::accept() {
  const std::string typed = TypedName();
  if (typed.empty()) {
    // Nothing typed: Save on a selected folder enters it.
    const QList<QTreeWidgetItem*> selected = ui_->fileList->selectedItems();
    if (!selected.isEmpty() && selected[0]->data(0, kFolderRole).toBool())
      EnterFolder(vorkan::JoinPath(folder_, selected[0]->data(0, kNameRole).toByteArray().toStdString()));
    return;
  }
  std::string home;
  std::string path = ExpandTilde(typed, home);
  // A home that does not exist ("~nobody") is a missing folder like any
  // other, not a file named after it in its parent.
  if (!home.empty() && !vorkan::IsFolder(home)) {
    NotFound(home);
    return;
  }
  if (path[0] != '/') path = vorkan::JoinPath(folder_, path);
  if (vorkan::IsFolder(path)) {  // a folder typed (".." too): the dialog goes there
    EnterFolder(path);
    SetNameText(QString());
    return;
  }
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  std::string name = path.substr(slash + 1);
  if (!vorkan::IsFolder(folder)) {
    NotFound(folder);
    return;
  }
  if (name.empty()) return;
  // A name without an extension takes that of the chosen type.
  if (name.find('.') == std::string::npos && !defaultExtension_.isEmpty()) {
    const std::string extension = "." + defaultExtension_.toStdString();
    name += extension;
    path += extension;
  }
  if (overwritePrompt_ && vorkan::PathExists(path) &&
      QMessageBox::warning(this, windowTitle(), ReplaceQuestion(path, name),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  // What the user agreed to replace is that very file: one that takes the
  // name later, or a name that was free, is never replaced.
  vorkan::FileIdentity replaced;
  if (vorkan::IdentityOfName(path, replaced))
    replaced_ = replaced;
  else
    replaced_.reset();
  fileName_ = path;
  QDialog::accept();
}
