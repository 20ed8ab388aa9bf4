// The application's settings root, set once at start-up: organisation
// "Local AppWizard-Generated Applications", application "Tevarin". A default
// QSettings object then reads and writes under it.
#pragma once

#include <QCoreApplication>

namespace tevarin {

inline void SetSettingsRoot() {
  QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QCoreApplication::setApplicationName(QStringLiteral("Tevarin"));
}

}  // namespace tevarin
