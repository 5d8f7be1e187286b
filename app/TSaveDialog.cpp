#include "TSaveDialog.h"

#include <pwd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTreeView>
#include <algorithm>

namespace {

// "~" and "~/..." are the home folder, "~user/..." that user's; anything
// else stands as typed.
QString ExpandTilde(const QString& typed) {
  if (!typed.startsWith(u'~')) return typed;
  const qsizetype slash = typed.indexOf(u'/');
  const QString user = typed.mid(1, slash < 0 ? -1 : slash - 1);
  QByteArray home;
  if (user.isEmpty()) {
    home = qgetenv("HOME");
  } else if (const passwd* entry = getpwnam(QFile::encodeName(user).constData())) {
    home = entry->pw_dir;
  }
  if (home.isEmpty()) return typed;
  return QFile::decodeName(home) + (slash < 0 ? QString() : typed.mid(slash));
}

// Qt's own words for these questions, in the desktop's language when Qt's
// translations are loaded.
QString QtText(const char* text) { return QCoreApplication::translate("QFileDialog", text); }

}  // namespace

TSaveDialog::TSaveDialog(QWidget* parent) : QFileDialog(parent) {}

void TSaveDialog::accept() {
  auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  const QString typed = edit ? edit->text() : QString();
  // Nothing typed (a folder chosen in the list) and ".." move the dialog.
  if (typed.isEmpty() || typed == QLatin1String("..")) {
    QFileDialog::accept();
    return;
  }
  QString path = ExpandTilde(typed);
  if (!path.startsWith(u'/')) {
    QString folder = directory().absolutePath();
    if (!folder.endsWith(u'/')) folder += u'/';
    path = folder + path;
  }
  if (QFileInfo(path).isDir()) {  // a folder typed: the dialog goes there
    setDirectory(path);
    edit->clear();
    return;
  }
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString folder = slash == 0 ? QStringLiteral("/") : path.left(slash);
  QString name = path.mid(slash + 1);
  if (!QFileInfo(folder).isDir()) {
    QMessageBox::warning(this, windowTitle(),
                         QtText("%1\nDirectory not found.\nPlease verify the correct directory name was given.")
                             .arg(folder));
    return;
  }
  if (name.isEmpty()) return;
  // A name without an extension takes that of the chosen type, as Qt does.
  if (!name.contains(u'.') && !defaultSuffix().isEmpty()) {
    name += u'.' + defaultSuffix();
    path += u'.' + defaultSuffix();
  }
  if (QFileInfo::exists(path) && !testOption(DontConfirmOverwrite) &&
      QMessageBox::warning(this, windowTitle(), QtText("%1 already exists.\nDo you want to replace it?").arg(name),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  fileName_ = QFile::encodeName(path).toStdString();
  QDialog::accept();
}

void TSaveDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  if (sized_) return;
  sized_ = true;
  // Qt sizes the columns for short sizes and dates, which cuts those of the
  // system's formats: widen the size and date columns once so that the
  // longest such texts fit, and the dialog so that every column shows.
  auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  if (header->count() < 4) return;
  const QLocale locale = QLocale::system();
  const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) +
                      view->fontMetrics().averageCharWidth();
  const auto fit = [&](int column, const QStringList& texts) {
    int width = header->sectionSize(column);
    for (const QString& text : texts) width = std::max(width, view->fontMetrics().horizontalAdvance(text) + margins);
    header->resizeSection(column, width);
  };
  QStringList sizes;
  for (const qint64 bytes : {qint64(1023), qint64(1048575) - 5, (qint64(1) << 30) - 5000, (qint64(1) << 40) - 5000000})
    sizes << locale.formattedDataSize(bytes);
  fit(1, sizes);
  fit(3, {locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat)});
  const int extra = header->length() - view->viewport()->width();
  if (extra > 0) resize(width() + extra, height());
}
