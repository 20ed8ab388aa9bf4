#include "ui/app/book.h"

#include <QFile>
#include <QFont>
#include <QKeyEvent>
#include <QLocale>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

#include "base/collectionlocator.h"
#include "ui/app/bookdoc.h"
#include "ui/app/language.h"
#include "ui/app/mainfrm.h"
#include "ui/base/messages.h"
#include "session/pagefolder.h"
#include "ui/app/resources.h"
#include "ui/app/settings.h"
#include "ui/app/splash.h"

namespace tevarin {

bool ShowSplashFromArguments(const QStringList& arguments) {
  static const char* const kQuiet[] = {"/Embedding", "-Embedding", "/Automation", "-Automation"};
  for (const QString& a : arguments.mid(1))
    for (const char* q : kQuiet)
      if (a.compare(QLatin1String(q), Qt::CaseInsensitive) == 0) return false;
  return true;
}

QString DataOptionFromArguments(const QStringList& arguments) {
  QString folder;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--data")) {
      if (i + 1 < arguments.size()) folder = arguments[++i];
    } else if (a.startsWith(QLatin1String("--data="))) {
      folder = a.mid(7);
    }
  }
  return folder;
}

QString MissingCollectionNote(const CollectionLocation& location, const CollectionPlaces& places) {
  const std::string target = SuggestedBuildFolder(location, UserCollectionFolder(places));
  return CBookApp::tr("探した場所：%1。データは tevarin-mkcollection --out %2 で作れます（man tevarin-mkcollection）。")
      .arg(QFile::decodeName(JoinLooked(location.looked).c_str()), QFile::decodeName(target.c_str()));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QString::fromLatin1(kAppTitle));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("AboutPicture"));
  picture->setPixmap(QPixmap(QStringLiteral(":/res/about_168.bmp")));
  picture->setFixedSize(500, 350);
  layout->addWidget(picture);
  setFixedSize(500, 350);
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
  // The box has no buttons: Enter closes it like Esc does.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);  // Esc rejects
}

CBookApp::CBookApp(int& argc, char** argv) : QApplication(argc, argv) {
  InitTevarinResources();
  // The desktop entry the windows belong to (the menu entry's icon and name).
  setDesktopFileName(QStringLiteral("org.tevarin.Tevarin"));
  // Japanese interface text; the Hanazono faces cover the ideographs beyond
  // the Basic Multilingual Plane that the Noto faces lack.
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("HanaMinA"),
                    QStringLiteral("HanaMinB")});
  font.setPointSize(9);
  setFont(font);
}

CBookApp::~CBookApp() = default;

bool CBookApp::InitInstance() {
  CSplashWnd::SetSplashEnabled(ShowSplashFromArguments(arguments()));
  SetSettingsRoot();
  MigrateOldSettings();
  UseLanguage(ResolveLanguage(LanguageSetting(), QLocale::system().uiLanguages()));
  setApplicationDisplayName(QString());

  // The collection, and where it was looked for when no place holds one.
  const CollectionPlaces places = CollectionPlaces::FromEnvironment(
      QFile::encodeName(DataOptionFromArguments(arguments())).toStdString(),
      QFile::encodeName(applicationDirPath()).toStdString());
  const CollectionLocation location = LocateCollection(places);
  const QString note = location.found ? QString() : MissingCollectionNote(location, places);

  m_pDoc = std::make_unique<CBookDoc>();
  m_pDoc->OnNewDocument();
  m_pPages = std::make_unique<CPageFolder>();

  m_pMainWnd = new CMainFrame(m_pDoc.get(), m_pPages.get(), nullptr, QFile::decodeName(location.folder.c_str()), note);
  if (!m_pMainWnd->IsCreated()) {
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    return false;
  }
  m_pMainWnd->setAttribute(Qt::WA_DeleteOnClose);
  m_pMainWnd->RestoreSettings();
  m_pMainWnd->ShowWithSavedGeometry();
  m_pMainWnd->update();
  // The movie stays above the main window until it ends.
  CSplashWnd::RaiseCurrent();
  if (!m_pPages->IsValid())
    ShowWarning(m_pMainWnd, tr("頁を書き出すフォルダを用意できませんでした。\n%1")
                                .arg(QString::fromStdString(m_pPages->Error())));
  return true;
}

int CBookApp::Run() {
  if (!InitInstance()) return 1;
  QPointer<CMainFrame> frame(m_pMainWnd);
  const int code = exec();
  // The loop may end before the closed window's deferred deletion has run:
  // delete it here, so the end program starts and the pane sizes are saved.
  delete frame.data();
  m_pMainWnd = nullptr;
  return code;
}

}  // namespace tevarin
