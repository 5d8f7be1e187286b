// SPDX-License-Identifier: GPL-3.0-or-later
#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QString>
#include <fcntl.h>
#include <unistd.h>

namespace vorkan {

SleepInhibitor::SleepInhibitor() { QDBusConnection::systemBus(); }

SleepInhibitor::~SleepInhibitor() { Release(); }

void SleepInhibitor::Hold(const std::string& why) {
  if (fd_ >= 0) return;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  // Where logind does not run, the bus answers at once instead of starting
  // it; and no password prompt may stand between the user and the copy.
  call.setAutoStartService(false);
  call.setInteractiveAuthorizationAllowed(false);
  call << QStringLiteral("sleep") << QStringLiteral("Vorkan") << QString::fromStdString(why)
       << QStringLiteral("block");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  // Taken over from the reply, so that closing this one lets logind go.
  QDBusUnixFileDescriptor received = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().at(0));
  const int fd = received.takeFileDescriptor();
  if (fd < 0) return;
  // A program started from here must not keep the machine awake.
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

void SleepInhibitor::Release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace vorkan
