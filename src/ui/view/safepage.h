// CSafePage: the browser page under the program's two browser views (the page
// view and the keyword field). The pages shown come from data files: they are
// content, never a program. So:
//  - script of the page does not run, and a local page may read neither other
//    local files nor remote addresses;
//  - the page has a profile of its own, kept in memory only, whose request
//    filter lets through only the program's resources (qrc:), inline data
//    (data:) and the local files the program itself asked the page to show;
//    no image, frame, style sheet or socket of a page reaches anything else;
//  - the page goes only where the program sends it: "about:blank", and the
//    allowed files, by the program's own load (with any anchor), by history,
//    or by a link inside the document shown (an anchor of the same file).
//    Links to anywhere else, redirections (a "refresh" meta element), form
//    submissions, dropped files and new windows open nothing;
//  - the program's own scripts (select all, reading the keyword field) run
//    in a world of their own, apart from any script of the page.
#pragma once

#include <QMutex>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>
#include <memory>

namespace tevarin {

// The locations a page may load. Shared by the page and its request filter.
class CPageAllowList {
 public:
  // A local file, by path.
  void AllowFile(const QString& path);
  // Whether a document or resource at url may be loaded: the program's
  // resources, inline data, "about:blank" and the files allowed above.
  bool Allows(const QUrl& url) const;

 private:
  mutable QMutex m_mutex;
  QSet<QString> m_files;
};

// The request filter of a page's profile: every request that the allow list
// does not allow is blocked.
class CPageRequestFilter : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT
 public:
  CPageRequestFilter(std::shared_ptr<const CPageAllowList> allowed, QObject* parent);
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;

 private:
  std::shared_ptr<const CPageAllowList> m_allowed;
};

class CSafePage : public QWebEnginePage {
  Q_OBJECT
 public:
  explicit CSafePage(QObject* parent = nullptr);

  void AllowFile(const QString& path) { m_allowed->AllowFile(path); }
  bool Allows(const QUrl& url) const { return m_allowed->Allows(url); }

  // Runs one of the program's own scripts on the document shown, in the
  // program's world: it sees the document, not the page's script objects,
  // and runs although script of the page is off.
  void RunProgramScript(const QString& source, const std::function<void(const QVariant&)>& done = {});

  // Whether the page goes to url (the navigation policy above).
  bool AcceptsNavigation(const QUrl& url, NavigationType type, bool isMainFrame) const;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  CSafePage(std::shared_ptr<CPageAllowList> allowed, QObject* parent);

  std::shared_ptr<CPageAllowList> m_allowed;
};

}  // namespace tevarin
