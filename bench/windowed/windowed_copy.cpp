// SPDX-License-Identifier: GPL-3.0-or-later
// Copies one volume with the real copy job through the real progress window
// over a stand-in main window, the way the program runs a copy, and prints
// the seconds it took, for copy_vs_dd.sh --windowed and report.sh. Runs on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise. A prompt (none comes up in a normal
// run) is printed and answered Cancel, so the run never waits for a user.
// Usage: windowed_copy SOURCE TARGET   (SOURCE: a block device or a regular file)
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <string>

#include "../BenchRun.h"
#include "../BenchSource.h"
#include "Application.h"
#include "CopyJob.h"
#include "LauncherEntry.h"
#include "ProgressWindow.h"

namespace {

class WindowedHost : public vorkan::bench::PrintingHost {
 public:
  WindowedHost() : form_(&mainWindow_, abortRequested, pauseRequested) {
    mainWindow_.setWindowTitle(QStringLiteral("Vorkan v1.2"));
    mainWindow_.resize(560, 360);
    mainWindow_.show();
  }

  void ShowCopyProgress(const std::string& caption, const std::string& fileName, const std::string& doneText,
                        const std::string& freeText, std::int32_t maximum, std::int32_t position,
                        bool show) override {
    form_.ShowCopyProgress(caption, fileName, doneText, freeText, maximum, position, show);
    // As the main window does: the percentage on the task-bar entry, and at
    // the end the last title and the end of the bar.
    if (show) {
      launcherEntry_.ShowProgress(form_.PercentComplete());
      return;
    }
    vorkan::Application::Instance().FlushTitle();
    launcherEntry_.HideProgress();
  }
  void ProcessPendingEvents() override { vorkan::Application::Instance().ProcessPendingEvents(); }
  // As the main window does: the windows' events run while a read waits.
  bool WaitForDescriptor(int fd) override {
    return vorkan::Application::Instance().DispatchUntilReadable(fd);
  }
  void SetAppTitle(const std::string& title) override { vorkan::Application::Instance().SetTitle(title); }
  std::int32_t GetPercentComplete() override { return form_.PercentComplete(); }

 private:
  QWidget mainWindow_;
  ProgressWindow form_;
  vorkan::LauncherEntry launcherEntry_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string source = argv[1];
  const std::string target = argv[2];
  vorkan::bench::BenchSource volume;
  if (!vorkan::bench::OpenBenchSource(source, volume)) return 2;

  WindowedHost host;
  // The X server's CPU during the copy call alone, when the caller names its
  // process: what the copy costs the server, without the windows' start-up.
  const long xserver = qEnvironmentVariableIntValue("VORKAN_BENCH_XPID");
  const long before = vorkan::bench::ProcessCpuTicks(xserver);
  const long long beforeNs = vorkan::bench::ProcessCpuNanoseconds(xserver);
  const int status = vorkan::bench::TimeCopy(
      [&] { return vorkan::CopyDiskToImage(*volume.ops, host, volume.letter, target); });
  if (xserver > 0 && before >= 0)
    std::printf("xserver_ticks %ld\n", vorkan::bench::ProcessCpuTicks(xserver) - before);
  if (xserver > 0 && beforeNs >= 0)
    std::printf("xserver_ns %lld\n", vorkan::bench::ProcessCpuNanoseconds(xserver) - beforeNs);
  return status;
}
