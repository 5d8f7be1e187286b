// SPDX-License-Identifier: GPL-3.0-or-later
#include "UDisksOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QList>
#include <QVariantMap>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

#include "Application.h"

namespace vorkan {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");

// A call that never starts the service: where udisks2 is not running, the
// bus answers ServiceUnknown at once instead of waiting for it to start.
QDBusMessage MethodCall(const QString& path, const QString& interface, const QString& method) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
  call.setAutoStartService(false);
  return call;
}

QString ConnectionName(const std::string& busAddress) {
  return QStringLiteral("vorkan-udisks ") + QString::fromStdString(busAddress);
}

QDBusConnection Bus(const std::string& busAddress) {
  if (busAddress.empty()) return QDBusConnection::systemBus();
  return QDBusConnection::connectToBus(QString::fromStdString(busAddress), ConnectionName(busAddress));
}

QDBusMessage QuickCall(QDBusConnection bus, const QDBusMessage& call) {
  if (!bus.isConnected()) return call.createErrorReply(QDBusError::Disconnected, QString());
  return bus.call(call, QDBus::Block, UDisksOpener::kQuickTimeoutMs);
}

// errno for a failed reply, as DeviceOpener tells them apart.
int ErrnoOf(const QDBusMessage& reply) {
  const QString name = reply.errorName();
  if (name.startsWith(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorized"))) return EACCES;
  if (reply.errorMessage().contains(QStringLiteral("Device or resource busy"))) return EBUSY;
  if (name == QStringLiteral("org.freedesktop.DBus.Error.UnknownObject") ||
      name == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"))
    return ENOENT;
  if (name == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
      name == QStringLiteral("org.freedesktop.DBus.Error.Timeout"))
    return ETIMEDOUT;
  if (name.startsWith(QStringLiteral("org.freedesktop.DBus.Error."))) return ENODEV;  // no bus, no service
  return EIO;
}

// The block object of a device path; empty with errno set when none.
QString Resolve(const QDBusConnection& bus, const std::string& devicePath) {
  QDBusMessage call =
      MethodCall(QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                 QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("ResolveDevice"));
  call << QVariantMap{{QStringLiteral("path"), QString::fromStdString(devicePath)}}
       << QVariantMap{{QStringLiteral("auth.no_user_interaction"), true}};
  const QDBusMessage reply = QuickCall(bus, call);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    errno = ErrnoOf(reply);
    return {};
  }
  const auto objects = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0));
  if (objects.isEmpty()) {
    errno = ENOENT;
    return {};
  }
  return objects.first().path();
}

// The windows go on painting while the prompt is up, but clicks and keys wait
// until it is answered: the copy controls are disabled already, and a nested
// drive list refresh or a second copy started meanwhile would find the job
// half-way through its open. Closing the main window (the window system's
// request, not user input) still ends the wait: the open then fails, and a
// late descriptor is closed with the reply nobody waits for.
std::optional<QDBusMessage> CallWhileAsking(QDBusConnection bus, const QDBusMessage& call, bool& asking) {
  if (!bus.isConnected()) return call.createErrorReply(QDBusError::Disconnected, QString());
  QDBusPendingCallWatcher watcher(bus.asyncCall(call, UDisksOpener::kPromptTimeoutMs));
  QEventLoop loop;
  QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
  QObject::connect(&Application::Instance(), &Application::terminatingChanged, &loop,
                   [&loop](bool terminating) {
                     if (terminating) loop.quit();
                   });
  asking = true;
  if (!watcher.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  asking = false;
  if (!watcher.isFinished()) return std::nullopt;
  return watcher.reply();
}

}  // namespace

UDisksOpener::~UDisksOpener() {
  if (!busAddress_.empty()) QDBusConnection::disconnectFromBus(ConnectionName(busAddress_));
}

int UDisksOpener::Open(const std::string& devicePath, int extraFlags, bool mayAsk) {
  if (mayAsk && (asking_ || Application::Instance().IsTerminating())) {
    errno = asking_ ? EAGAIN : ECANCELED;  // one prompt at a time; none once the program ends
    return -1;
  }
  const QDBusConnection bus = Bus(busAddress_);
  const QString object = Resolve(bus, devicePath);
  if (object.isEmpty()) return -1;
  QDBusMessage call = MethodCall(object, kBlock, QStringLiteral("OpenDevice"));
  QVariantMap options{{QStringLiteral("flags"), O_CLOEXEC | extraFlags}};
  if (!mayAsk) options.insert(QStringLiteral("auth.no_user_interaction"), true);
  call.setInteractiveAuthorizationAllowed(mayAsk);
  call << QStringLiteral("r") << options;

  int fd = -1;
  {
    const std::optional<QDBusMessage> answered =
        mayAsk ? CallWhileAsking(bus, call, asking_) : QuickCall(bus, call);
    if (!answered) {
      errno = ECANCELED;
      return -1;
    }
    const QDBusMessage& reply = *answered;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
      errno = ErrnoOf(reply);
      return -1;
    }
    // The reply's descriptor is taken over, so that once the reply is gone
    // this one is the only descriptor left.
    QDBusUnixFileDescriptor received = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().at(0));
    fd = received.takeFileDescriptor();
  }
  if (fd < 0) {
    errno = EIO;
    return -1;
  }
  // No program the user starts from here may inherit a disk.
  const int descriptorFlags = ::fcntl(fd, F_GETFD);
  if (descriptorFlags < 0 || ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) != 0) {
    ::close(fd);
    errno = EIO;
    return -1;
  }
  return fd;
}

bool UDisksOpener::Properties(const std::string& devicePath, BlockProperties& out) {
  const QDBusConnection bus = Bus(busAddress_);
  const QString object = Resolve(bus, devicePath);
  if (object.isEmpty()) return false;
  QDBusMessage call =
      MethodCall(object, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
  call << kBlock;
  const QDBusMessage reply = QuickCall(bus, call);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  const QVariantMap values = qdbus_cast<QVariantMap>(reply.arguments().at(0));
  if (!values.contains(QStringLiteral("Size"))) return false;
  out.size = values.value(QStringLiteral("Size")).toULongLong();
  out.idLabel = values.value(QStringLiteral("IdLabel")).toString().toStdString();
  out.idType = values.value(QStringLiteral("IdType")).toString().toStdString();
  out.idUuid = values.value(QStringLiteral("IdUUID")).toString().toStdString();
  return true;
}

}  // namespace vorkan
