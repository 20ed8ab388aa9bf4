// CBookView: the page view, the right pane of the main window. A browser view
// showing "about:blank" until a page file is shown, with its own context menu
// ("コピー(300字以内に制限しています。)", "すべて選択。") while a page is shown
// and never the browser's own, a copy limited to 600 bytes of CP932 text, a
// block on the Ctrl key ("マウスの右ボタンでコピーして下さい。"), select all,
// printing on the default printer without a dialog, page setup and preview.
// The pages shown are content only: no script of theirs runs, and they load
// nothing but the page files the view was sent to (CSafePage).
#pragma once

#include <QPrinter>
#include <QUrl>
#include <QWebEngineView>

class QMenu;

namespace tevarin {

class CSafePage;

class CBookView : public QWebEngineView {
  Q_OBJECT
 public:
  explicit CBookView(QWidget* parent = nullptr);
  ~CBookView() override;

  // Shows "about:blank", or a file given by its full path, optionally
  // followed by "#" and an anchor name. Returns at once; loading goes on.
  // The file becomes one the view may show again (by history or an anchor).
  void Navigate(const QString& location);
  // The location shown: "about:blank" until a page file is shown, then the
  // file's URL ("file:///…/windows1.html#0002").
  QString CurrentLocation() const;
  bool PageShown() const { return CurrentLocation() != QLatin1String("about:blank"); }

  // The copy of the context menu and of the frame: the selection is copied
  // as the browser copies it; when its CP932 form is longer than 600 bytes
  // the clipboard gets only plain text cut to at most 600 bytes of that form.
  void LimitedCopy();
  // The browser's own copy of the selection, without a limit.
  void UnlimitedCopy();
  void SelectAll();
  // Prints the page on the default printer at once, without a dialog.
  void PrintNow();
  // The page setup dialog; its choices apply to later printing.
  void PageSetup();
  // The preview of the printed page.
  void PrintPreview();
  // The browser's print with its print dialog.
  void PrintWithDialog();
  // The browser's cut and paste (the page is read-only: they change nothing).
  void Cut();
  void Paste();

  QMenu* ContextMenu() const { return m_menu; }
  CSafePage* SafePage() const { return m_page; }
  QPrinter* Printer() { return &m_printer; }

  // What the view does with a key press addressed to it.
  enum class KeyAction { Pass, Block, BlockAndWarn };
  static KeyAction ActionForKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);

 // Sees the events of the view's inner widgets before the browser does: the
  // right button and the Ctrl key. True when the event was consumed.
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // The Ctrl key was blocked and the user told to copy with the mouse.
  void ctrlBlocked();
  // The context menu was opened at a screen position.
  void contextMenuShown(const QPoint& globalPos);

 private:
  void ShowContextMenu(const QPoint& globalPos);
  bool IsInside(const QObject* o) const;

  CSafePage* m_page = nullptr;
  QMenu* m_menu = nullptr;
  QAction* m_copyAction = nullptr;
  QAction* m_selectAllAction = nullptr;
  // The location last asked for, or last reached by the browser itself.
  QUrl m_location{QStringLiteral("about:blank")};
  QPrinter m_printer;
  bool m_printing = false;
};

}  // namespace tevarin
