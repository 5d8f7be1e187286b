// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows over file volumes, for at_spi.sh: drive C (a file of
// 64 blocks of 256 KiB, a quarter of it free) is copied into an image on
// drive E. The save dialog is answered with a path on C first (the room and
// same-drive prompts), then with the image's path on E; everything else is
// left to the assistive tool. Half-way the source waits until the
// progress window is paused, so the tool can read the window mid-copy on
// any machine. Exits 0 when the image equals the volume.
// Usage: accessibility_driver WORK_DIR
#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "AppWindows.h"
#include "ShowPrompt.h"
#include "MainWindow.h"
#include "SaveImageDialog.h"
#include "VorkanApplication.h"
#include "FileVolumeOps.h"

namespace {

constexpr std::int64_t kBlock = 262144;
constexpr int kBlocks = 64;

class StallingVolumeOps : public vorkan::FileVolumeOps {
 public:
  std::uint32_t ReadVolume(vorkan::VolumeHandle handle, void* buffer, std::uint32_t size) override {
    const std::uint32_t read = FileVolumeOps::ReadVolume(handle, buffer, size);
    read_ += read;
    if (!stalled_ && read_ >= kBlocks / 2 * kBlock) {
      stalled_ = true;
      // A bound only, should the tool never pause.
      const QDeadlineTimer deadline(60000);
      while (mainWindow->pauseRequested == 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
      }
    }
    return read;
  }

 private:
  std::int64_t read_ = 0;
  bool stalled_ = false;
};

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s WORK_DIR\n", argv[0]);
    return 2;
  }
  vorkan::VorkanApplication app(argc, argv);
  vorkan::InstallFaultBox();
  const std::string dir = argv[1];

  std::string source(kBlocks * kBlock, '\0');
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 7 + i / 4096);
  std::ofstream(dir + "/c.img", std::ios::binary) << source;
  std::ofstream(dir + "/e.img", std::ios::binary) << std::string(4096, 'e');

  StallingVolumeOps ops;
  vorkan::FileVolume c;
  c.path = dir + "/c.img";
  c.label = "SYSTEM";
  c.totalFreeBytes = kBlocks / 4 * kBlock;
  ops.AddVolume('C', c);
  vorkan::FileVolume e;
  e.path = dir + "/e.img";
  e.totalFreeBytes = std::int64_t(1) << 40;
  ops.AddVolume('E', e);
  std::filesystem::create_directories(dir + "/one");
  std::filesystem::create_directories(dir + "/c");
  ops.SetPathLetter(dir + "/one", 'E');
  ops.SetPathLetter(dir + "/c", 'C');
  const std::string image = dir + "/one/c.IMA";

  // First a place on drive C itself, then on E.
  int dialogs = 0;
  CreateWindows(ops);
  mainWindow->SetSaveDialogRunner([&](SaveImageDialog& dialog) {
    dialog.SetNameText(QString::fromStdString(dialogs++ == 0 ? dir + "/c/c.IMA" : image));
    dialog.accept();
    return dialog.result();
  });
  mainWindow->show();
  const int result = app.exec();
  DestroyWindows();
  if (result != 0) return result;
  if (Contents(image) != source) {
    std::fprintf(stderr, "the image %s does not equal drive C\n", image.c_str());
    return 1;
  }
  return 0;
}
