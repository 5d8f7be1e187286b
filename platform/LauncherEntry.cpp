// SPDX-License-Identifier: GPL-3.0-or-later
#include "LauncherEntry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>
#include <algorithm>

namespace vorkan {

namespace {

// Listeners go by the interface and the application's address, not by the
// object that sends.
const char* const kPath = "/com/canonical/unity/launcherentry/vorkan";
const char* const kInterface = "com.canonical.Unity.LauncherEntry";
const char* const kApplication = "application://vorkan.desktop";

}  // namespace

LauncherEntry::LauncherEntry() { QDBusConnection::sessionBus(); }

void LauncherEntry::ShowProgress(std::int32_t percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  Send(percent, true);
}

void LauncherEntry::HideProgress() {
  if (shownPercent_ < 0) return;
  Send(shownPercent_, false);
  shownPercent_ = -1;
}

void LauncherEntry::Send(std::int32_t percent, bool visible) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage update =
      QDBusMessage::createSignal(QLatin1String(kPath), QLatin1String(kInterface), QStringLiteral("Update"));
  const QVariantMap properties{{QStringLiteral("progress"), percent / 100.0},
                               {QStringLiteral("progress-visible"), visible}};
  update << QString::fromLatin1(kApplication) << properties;
  bus.send(update);
}

}  // namespace vorkan
