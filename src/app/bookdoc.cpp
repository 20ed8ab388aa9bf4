#include "app/bookdoc.h"

#include <QFile>
#include <QFileDialog>

bool CBookDoc::WriteEmpty(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool CBookDoc::OnFileSave(QWidget* parent) {
  const QString path = QFileDialog::getSaveFileName(parent, QString(), QString());
  if (path.isEmpty()) return false;
  return WriteEmpty(path);
}
