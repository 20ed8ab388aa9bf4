#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>

#include "ui/app/book.h"

using namespace tevarin;

int main(int argc, char** argv) {
  // The browser's sandbox cannot run for the superuser; without this the page
  // view would refuse to start there.
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  // The browser component shares its drawing context with the windows.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  CBookApp app(argc, argv);
  return app.Run();
}
