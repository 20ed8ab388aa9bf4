// CBookView: the page view. A browser view that shows the collection's page
// files, with its own context menu (only while a page is shown), a copy
// limited to 600 bytes of CP932 text, a block on the Ctrl key, select all and
// printing.
#pragma once

#include <QUrl>
#include <QWebEngineView>

class QMenu;

class CBookView : public QWebEngineView {
  Q_OBJECT
 public:
  explicit CBookView(QWidget* parent = nullptr);
  ~CBookView() override;

  // Shows a file path, optionally with "#anchor", or "about:blank".
  void Navigate(const QString& location);
  // The location shown: "about:blank" until a page file is shown.
  QString CurrentLocation() const;
  bool PageShown() const { return CurrentLocation() != QLatin1String("about:blank"); }

  // Copies the selection; when its CP932 form passes 600 bytes the clipboard
  // gets plain text cut to at most 600 bytes instead.
  void LimitedCopy();
  // The browser's own copy, without a limit.
  void UnlimitedCopy();
  void SelectAll();
  void PrintNow();     // default printer, no dialog
  void PageSetup();    // page setup dialog
  void PrintPreview(); // preview of the printed page
  // The text the limited copy puts on the clipboard for a selection; the
  // selection itself when it fits. Exposed for tests.
  static QString LimitedCopyText(const QString& selection, bool* cut = nullptr);

  QMenu* ContextMenu() const { return m_menu; }

 signals:
  void ctrlBlocked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowContextMenu(const QPoint& globalPos);
  bool IsInside(QObject* o) const;

  QMenu* m_menu = nullptr;
  QAction* m_copyAction = nullptr;
  QAction* m_selectAllAction = nullptr;
  QUrl m_location{QStringLiteral("about:blank")};
};
