#include "TForm2.h"

#include "Application.h"
#include "CopyJobHost.h"

TForm2::TForm2(QWidget* mainWindow, std::uint8_t& fAbort, std::uint8_t& fPause)
    : QDialog(nullptr), mainWindow_(mainWindow), fAbort_(fAbort), fPause_(fPause) {
  setWindowTitle(QStringLiteral("Progress"));
  resize(300, 100);
}

void TForm2::ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                              const std::string& freeText, std::int32_t maximum, std::int32_t position, bool show) {
  if (!show) {
    hide();
    if (mainWindow_) {
      mainWindow_->setEnabled(true);
      mainWindow_->show();
      mainWindow_->activateWindow();
    }
    return;
  }
  if (!isVisible()) {
    if (mainWindow_) {
      mainWindow_->hide();
      mainWindow_->setEnabled(false);
    }
    this->show();
  }
  vorkan::Application::Instance().ProcessPendingEvents();
  caption_ = caption;
  fileName_ = fileName;
  doneText_ = doneText;
  freeText_ = freeText;
  maximum_ = maximum;
  position_ = position;
  setWindowTitle(QString::fromStdString(caption));
}

std::int32_t TForm2::PercentComplete() const { return vorkan::PercentOfProgress(maximum_, position_); }
