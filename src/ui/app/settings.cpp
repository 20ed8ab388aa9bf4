#include "ui/app/settings.h"

#include <QCoreApplication>
#include <QSettings>

namespace tevarin {

void SetSettingsRoot() {
  QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganization));
  QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
}

bool MigrateOldSettings() {
  QSettings now;
  if (!now.allKeys().isEmpty()) return false;
  const QSettings old(QString::fromLatin1(kOldSettingsOrganization), QString::fromLatin1(kOldSettingsApplication));
  const QStringList keys = old.allKeys();
  if (keys.isEmpty()) return false;
  for (const QString& key : keys) now.setValue(key, old.value(key));
  now.sync();
  return true;
}

}  // namespace tevarin
