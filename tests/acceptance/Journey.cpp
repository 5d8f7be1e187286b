// SPDX-License-Identifier: GPL-3.0-or-later
#include "Journey.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <climits>

#include "TestSupport.h"

namespace vorkan::test {

bool CanOpenExclusive(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool HoldsDescriptorOn(const std::string& path) {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    char target[PATH_MAX];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path) found = true;
  }
  ::closedir(dir);
  return found;
}

void ExpectAtRest(MainWindow& form, int descriptorsBefore, const std::string& device) {
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore)
      << "a descriptor was left open" << Run("ls -l /proc/" + std::to_string(::getpid()) + "/fd").output;
  if (!device.empty()) {
    EXPECT_FALSE(HoldsDescriptorOn(device)) << device << " is still open";
  }
  EXPECT_EQ(form.abortRequested, 0);
  EXPECT_EQ(form.pauseRequested, 0);
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
  for (const char* name : kCopyControls)
    EXPECT_TRUE(Control<QWidget>(form, name)->isEnabled()) << name << " left disabled";
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.isEnabled());
  EXPECT_FALSE(progressWindow->isVisible());
  EXPECT_FALSE(detailsWindow->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a modal box is still open";
}

int ExecWithWatchdog(bool& stillRunning) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&stillRunning] {
    stillRunning = true;
    QCoreApplication::exit(3);
  });
  watchdog.start(120000);
  return QApplication::exec();
}

}  // namespace vorkan::test
