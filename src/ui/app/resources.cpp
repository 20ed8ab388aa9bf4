#include "ui/app/resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

// The resource registration is declared by Q_INIT_RESOURCE at global scope,
// so it is called from a global function.
static void InitResourcesGlobal() { Q_INIT_RESOURCE(tevarin); }

// The share folder relative to the folder of the programs, from the install
// layout (GNUInstallDirs); "../share/tevarin" by default.
#ifndef TEVARIN_SHARE_FROM_BIN
#define TEVARIN_SHARE_FROM_BIN "../share/tevarin"
#endif

namespace tevarin {

void InitTevarinResources() { InitResourcesGlobal(); }

QString InstalledShareFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                         QStringLiteral(TEVARIN_SHARE_FROM_BIN));
}

QString ProgramFile(const QString& name) {
  for (const QString& folder : {QCoreApplication::applicationDirPath(), InstalledShareFolder()}) {
    const QString path = folder + QLatin1Char('/') + name;
    if (QFileInfo(path).isFile()) return path;
  }
  return QString();
}

}  // namespace tevarin
