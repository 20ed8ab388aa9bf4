#include "ui/app/bookdoc.h"

#include <QFile>
#include <QFileDialog>

#include "ui/base/messages.h"

namespace tevarin {

bool CBookDoc::WriteEmpty(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

bool CBookDoc::OnFileSave(QWidget* parent) {
  const QString path =
      QFileDialog::getSaveFileName(parent, QStringLiteral("名前を付けて保存"), m_strTitle);
  if (path.isEmpty()) return false;
  QString error;
  if (WriteEmpty(path, &error)) return true;
  ShowWarning(parent, QStringLiteral("ファイル %1 を保存できませんでした。\n%2").arg(path, error));
  return false;
}

}  // namespace tevarin
