#include "app/book.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/bookdoc.h"
#include "app/mainfrm.h"
#include "app/pagefolder.h"
#include "app/settings.h"
#include "app/splash.h"

bool ShowSplashFromArguments(const QStringList& arguments) {
  for (const QString& a : arguments.mid(1))
    if (a.compare(QLatin1String("/Embedding"), Qt::CaseInsensitive) == 0 ||
        a.compare(QLatin1String("-Embedding"), Qt::CaseInsensitive) == 0 ||
        a.compare(QLatin1String("/Automation"), Qt::CaseInsensitive) == 0 ||
        a.compare(QLatin1String("-Automation"), Qt::CaseInsensitive) == 0)
      return false;
  return true;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("AboutBox"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap(QStringLiteral(":/res/about_168.bmp")));
  picture->setFixedSize(500, 350);
  layout->addWidget(picture);
  setFixedSize(500, 350);
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

int RunBookApp(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  CSplashWnd::SetSplashEnabled(ShowSplashFromArguments(QCoreApplication::arguments()));
  SetSettingsRoot();
  // A CJK font that also covers the characters outside the Basic Multilingual Plane.
  QFont font(QStringLiteral("Noto Sans CJK JP"), 9);
  QApplication::setFont(font);

  CPageFolder pages;
  CBookDoc doc;
  int code = 0;
  {
    auto* frame = new CMainFrame(QCoreApplication::applicationDirPath(), &pages, &doc);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->showMaximized();
    frame->update();
    code = QApplication::exec();
  }
  return code;
}
