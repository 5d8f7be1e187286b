#include "TForm3.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>

#include <optional>
#include <utility>

#include "CaptionNames.h"
#include "ColorValue.h"
#include "Shell.h"
#include "TChart.h"
#include "ui_TForm3.h"
#include "WindowPlacement.h"
#include "WindowStyle.h"

namespace {

const char* const kCaption = "Информация о диске";

// Slice colours (0x00BBGGRR).
constexpr vorkan::TColor kUsedColor = 0x1C0CDA;
constexpr vorkan::TColor kFreeColor = 0x0DFF86;

void PutText(QLineEdit* edit, const std::string& text) {
  edit->setText(QString::fromStdString(text));
  // A text wider than its field shows from its beginning.
  edit->setCursorPosition(0);
}

// A sector count of the row as the pie can use it: the stored text read as the
// signed 64-bit number it was written from. Nothing for a text that does not
// read, and for a count that is not positive (zero, or negative where the
// length query failed): such a drive has no pie to show.
std::optional<double> PieCount(const std::string& text) {
  const std::optional<std::int64_t> count = vorkan::ParseSectorsHex(text);
  if (!count || *count <= 0) return std::nullopt;
  return static_cast<double>(*count);
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm3>()) {
  ui_->setupUi(this);
  vorkan::StyleWindow(*this, vorkan::WindowFrame::Dialog);
  vorkan::UseButtonFace(*this, vorkan::ResolveColor(vorkan::clBtnFace));

  // The cover of the chart for drives without a usable size.
  ui_->Panel2->hide();

  // The window's key handler sees every key before the focused control.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(ui_->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

  FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate() {
  ui_->Panel2->setText(QStringLiteral("Размер неизвестен"));
  ui_->Label1->setText(QStringLiteral("Диск"));
  ui_->Label2->setText(QStringLiteral("Метка"));
  ui_->Label4->setText(QStringLiteral("Размер"));
  ui_->Label5->setText(QStringLiteral("Свободно"));
  ui_->Label3->setText(QStringLiteral("Тип носителя"));
  ui_->Label8->setText(QStringLiteral("Размер (байт)"));
  ui_->Label6->setText(QStringLiteral("Серийный номер"));
  ui_->Label7->setText(QStringLiteral("Файловая система"));
  ui_->Button3->setText(QStringLiteral("Копировать"));
  ui_->Button2->setText(QStringLiteral("Проводник"));
  ui_->Button1->setText(QStringLiteral("ОК"));
  // Screen readers read each field with its caption.
  vorkan::NameByCaption(*ui_->Label1, *ui_->Edit1);
  vorkan::NameByCaption(*ui_->Label2, *ui_->Edit2);
  vorkan::NameByCaption(*ui_->Label3, *ui_->Edit3);
  vorkan::NameByCaption(*ui_->Label4, *ui_->Edit4);
  vorkan::NameByCaption(*ui_->Label5, *ui_->Edit5);
  vorkan::NameByCaption(*ui_->Label6, *ui_->Edit6);
  vorkan::NameByCaption(*ui_->Label7, *ui_->Edit7);
  vorkan::NameByCaption(*ui_->Label8, *ui_->Edit8);
}

TForm3::Result TForm3::ShowForDrive(const vorkan::DriveRecord& row) {
  PutDrive(row);
  return static_cast<Result>(exec());
}

void TForm3::PutDrive(const vorkan::DriveRecord& row) {
  setWindowTitle(QString::fromUtf8(kCaption));

  PutText(ui_->Edit1, row.RootPath);
  PutText(ui_->Edit2, row.VolumeLabel());
  PutText(ui_->Edit3, row.MediaType());
  PutText(ui_->Edit4, row.SizeText());
  PutText(ui_->Edit5, row.FreeText());
  PutText(ui_->Edit6, row.SerialText());
  PutText(ui_->Edit7, row.FileSystemName());
  PutText(ui_->Edit8, row.ExactSizeText());

  vorkan::chart::TChart& chart = *ui_->Chart1;
  chart.ClearSeries();
  chart.SetLegendColor(vorkan::clBtnFace);

  const std::optional<double> used = PieCount(row.UsedSectorsHex());
  const std::optional<double> free = PieCount(row.FreeSectorsHex());
  if (!used || !free) {
    ui_->Panel2->show();
    return;
  }
  ui_->Panel2->hide();
  chart.AddPoint(*used, QStringLiteral("Занято:"), kUsedColor);
  chart.AddPoint(*free, QStringLiteral("Свободно:"), kFreeColor);
}

void TForm3::SetFocusOnClose(QWidget* list) { focusOnClose_ = list; }

void TForm3::SetFolderOfRootPath(FolderOfRootPath folderOfRootPath) {
  folderOfRootPath_ = std::move(folderOfRootPath);
}

void TForm3::done(int result) {
  QDialog::done(result);
  FormClose();
}

void TForm3::reject() { done(static_cast<int>(Result::Close)); }

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    // Only where the key arrives first: the window's focused control, or the
    // window itself when no control has the focus.
    QWidget* receiver = focusWidget() != nullptr ? focusWidget() : this;
    if (watched == receiver) {
      int key = static_cast<QKeyEvent*>(event)->key();
      FormKeyUp(key);
      if (key == 0) return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  // Escape closes the window when it is released, not when it goes down.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm3::keyReleaseEvent(QKeyEvent* event) {
  // Seen already by the key preview.
  event->ignore();
}

void TForm3::showEvent(QShowEvent* event) {
  vorkan::CentreOnScreen(*this);
  QDialog::showEvent(event);
  FormShow();
}

void TForm3::FormShow() { ui_->Edit1->setFocus(Qt::OtherFocusReason); }

void TForm3::FormKeyUp(int& key) {
  if (key != Qt::Key_Escape) return;
  key = 0;
  done(static_cast<int>(Result::Close));
}

void TForm3::FormClose() {
  if (focusOnClose_ != nullptr) focusOnClose_->setFocus(Qt::OtherFocusReason);
}

void TForm3::Button1Click() { done(static_cast<int>(Result::Close)); }

void TForm3::Button2Click() {
  if (!folderOfRootPath_) return;
  const std::string folder = folderOfRootPath_(ui_->Edit1->text().toStdString());
  if (!folder.empty()) vorkan::OpenWithDesktop(folder);
}

void TForm3::Button3Click() { done(static_cast<int>(Result::Copy)); }
