#include "ui/base/messages.h"

#include <QMessageBox>

namespace tevarin {

std::function<void(QWidget*, const QString&)>& MessageHook() {
  static std::function<void(QWidget*, const QString&)> hook;
  return hook;
}

void ShowWarning(QWidget* parent, const QString& text) {
  if (MessageHook()) {
    MessageHook()(parent, text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
  // The text may carry names from files (a folder, a reason): never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace tevarin
