#include "ui/base/messages.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

namespace tevarin {

std::function<void(QWidget*, const QString&)>& MessageHook() {
  static std::function<void(QWidget*, const QString&)> hook;
  return hook;
}

std::function<bool(QWidget*, const QString&)>& QuestionHook() {
  static std::function<bool(QWidget*, const QString&)> hook;
  return hook;
}

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  if (MessageHook()) {
    MessageHook()(parent, text);
    return;
  }
  QMessageBox box(icon, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
  // The text may carry names from files (a folder, a reason): never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

void ShowWarning(QWidget* parent, const QString& text) { ShowBox(parent, QMessageBox::Warning, text); }

void ShowInformation(QWidget* parent, const QString& text) { ShowBox(parent, QMessageBox::Information, text); }

bool AskYesNo(QWidget* parent, const QString& text) {
  if (QuestionHook()) return QuestionHook()(parent, text);
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("tevarin::Messages", "はい"));
  box.button(QMessageBox::No)->setText(QCoreApplication::translate("tevarin::Messages", "いいえ"));
  return box.exec() == QMessageBox::Yes;
}

}  // namespace tevarin
