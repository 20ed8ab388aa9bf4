// Shared start of the desktop application's test programs: the browser
// component wants its shared drawing context before the application object,
// the program's resources are registered, and the settings go to a temporary
// folder instead of the user's.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/base/messages.h"
#include "ui/app/resources.h"
#include "ui/app/settings.h"

using namespace tevarin;

// Answers the questions the code under test would ask, and records them.
struct QuestionRecorder {
  QStringList texts;
  bool answer;
  std::function<bool(QWidget*, const QString&)> previous = QuestionHook();
  explicit QuestionRecorder(bool yes) : answer(yes) {
    QuestionHook() = [this](QWidget*, const QString& text) {
      texts << text;
      return answer;
    };
  }
  ~QuestionRecorder() { QuestionHook() = previous; }
};

// Records the message boxes the code under test would show.
struct MessageRecorder {
  QStringList texts;
  std::function<void(QWidget*, const QString&)> previous = MessageHook();
  MessageRecorder() {
    MessageHook() = [this](QWidget*, const QString& text) { texts << text; };
  }
  ~MessageRecorder() { MessageHook() = previous; }
};

#define TEVARIN_GUI_TEST_MAIN(TestClass)                                                   \
  int main(int argc, char** argv) {                                                        \
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                            \
    QApplication app(argc, argv);                                                          \
    InitTevarinResources();                                                                \
    QTemporaryDir settingsDir;                                                             \
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path()); \
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());    \
    SetSettingsRoot();                                                                     \
    /* No modal message box may block a test: unrecorded messages go to the log. */        \
    MessageHook() = [](QWidget*, const QString& text) { qInfo() << "message:" << text; };  \
    QuestionHook() = [](QWidget*, const QString& text) {                                   \
      qInfo() << "question, answered no:" << text;                                         \
      return false;                                                                        \
    };                                                                                     \
    TestClass tc;                                                                          \
    return QTest::qExec(&tc, argc, argv);                                                  \
  }
