#include "ui/view/safepage.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

namespace tevarin {

namespace {

QString CleanLocalPath(const QString& path) {
  return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QUrl WithoutAnchor(const QUrl& url) { return url.adjusted(QUrl::RemoveFragment); }

bool IsBlank(const QUrl& url) {
  return url.scheme() == QLatin1String("about") && url.path() == QLatin1String("blank");
}

}  // namespace

void CPageAllowList::AllowFile(const QString& path) {
  const QString clean = CleanLocalPath(path);
  if (clean.isEmpty()) return;
  QMutexLocker lock(&m_mutex);
  m_files.insert(clean);
}

bool CPageAllowList::Allows(const QUrl& url) const {
  const QString scheme = url.scheme();
  // The program's own resources, and inline data, which reaches nothing.
  if (scheme == QLatin1String("qrc") || scheme == QLatin1String("data")) return true;
  if (IsBlank(url)) return true;
  if (!url.isLocalFile()) return false;
  // A query or anchor does not name another file; the path decides.
  const QString path = CleanLocalPath(url.toLocalFile());
  QMutexLocker lock(&m_mutex);
  return m_files.contains(path);
}

CPageRequestFilter::CPageRequestFilter(std::shared_ptr<const CPageAllowList> allowed, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), m_allowed(std::move(allowed)) {}

void CPageRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info) {
  if (!m_allowed->Allows(info.requestUrl())) info.block(true);
}

namespace {

// A profile of the page's own: nothing kept on disk, every request filtered.
QWebEngineProfile* NewFilteredProfile(const std::shared_ptr<CPageAllowList>& allowed) {
  auto* profile = new QWebEngineProfile;  // no storage name: kept in memory only
  profile->setUrlRequestInterceptor(new CPageRequestFilter(allowed, profile));
  return profile;
}

}  // namespace

CSafePage::CSafePage(QObject* parent) : CSafePage(std::make_shared<CPageAllowList>(), parent) {}

CSafePage::CSafePage(std::shared_ptr<CPageAllowList> allowed, QObject* parent)
    : QWebEnginePage(NewFilteredProfile(allowed), parent), m_allowed(std::move(allowed)) {
  // The profile goes with the page, once the page itself is gone.
  profile()->setParent(this);
  QWebEngineSettings* s = settings();
  const std::pair<QWebEngineSettings::WebAttribute, bool> attributes[] = {
      {QWebEngineSettings::JavascriptEnabled, false},
      {QWebEngineSettings::JavascriptCanOpenWindows, false},
      {QWebEngineSettings::JavascriptCanAccessClipboard, false},
      {QWebEngineSettings::LocalContentCanAccessFileUrls, false},
      {QWebEngineSettings::LocalContentCanAccessRemoteUrls, false},
      {QWebEngineSettings::AllowRunningInsecureContent, false},
      {QWebEngineSettings::LocalStorageEnabled, false},
      {QWebEngineSettings::PluginsEnabled, false},
      {QWebEngineSettings::PdfViewerEnabled, false},
      {QWebEngineSettings::WebGLEnabled, false},
      {QWebEngineSettings::HyperlinkAuditingEnabled, false},
      {QWebEngineSettings::DnsPrefetchEnabled, false},
      {QWebEngineSettings::AutoLoadIconsForPage, false},
      {QWebEngineSettings::TouchIconsEnabled, false},
      {QWebEngineSettings::FullScreenSupportEnabled, false},
      {QWebEngineSettings::ScreenCaptureEnabled, false},
      {QWebEngineSettings::NavigateOnDropEnabled, false},
  };
  for (const auto& [attribute, on] : attributes) s->setAttribute(attribute, on);
}

void CSafePage::RunProgramScript(const QString& source, const std::function<void(const QVariant&)>& done) {
  runJavaScript(source, QWebEngineScript::ApplicationWorld, done);
}

bool CSafePage::AcceptsNavigation(const QUrl& url, NavigationType type, bool isMainFrame) const {
  // An empty frame reaches nothing.
  if (IsBlank(url)) return true;
  // Frames inside a page never load anything.
  if (!isMainFrame) return false;
  switch (type) {
    case NavigationTypeTyped:      // the program's own load
    case NavigationTypeBackForward:
    case NavigationTypeReload:
      return m_allowed->Allows(url);
    case NavigationTypeLinkClicked:
      // An anchor inside the document shown.
      return WithoutAnchor(url) == WithoutAnchor(this->url()) && m_allowed->Allows(url);
    default:
      // Redirections, form submissions, navigations started by script.
      return false;
  }
}

bool CSafePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  return AcceptsNavigation(url, type, isMainFrame);
}

QWebEnginePage* CSafePage::createWindow(WebWindowType) { return nullptr; }

}  // namespace tevarin
