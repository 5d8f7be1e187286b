// The progress window of a running copy (placeholder until the full window
// lands): shown on the first report, hidden on the closing one.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  TForm2(QWidget* mainWindow, std::uint8_t& fAbort, std::uint8_t& fPause);

  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position, bool show);
  std::int32_t PercentComplete() const;

 private:
  QWidget* mainWindow_;
  std::uint8_t& fAbort_;
  std::uint8_t& fPause_;
  std::string caption_, fileName_, doneText_, freeText_;
  std::int32_t maximum_ = 100;
  std::int32_t position_ = 0;
};
