// The system's message boxes: warning icon, one OK button, caption "Tevarin".
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace tevarin {

inline constexpr const char* kAppTitle = "Tevarin";

// Tests replace the box with a recorder so that no modal dialog blocks them.
inline std::function<void(QWidget*, const QString&)>& MessageHook() {
  static std::function<void(QWidget*, const QString&)> hook;
  return hook;
}

inline void ShowWarning(QWidget* parent, const QString& text) {
  if (MessageHook()) {
    MessageHook()(parent, text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                  parent);
  // The text may carry names from files (a folder, a reason): never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace tevarin
