// CBookView: the page view, the right pane of the main window. A browser view
// showing "about:blank" until a page file is shown, with its own context menu
// ("コピー(300字以内に制限しています。)", "すべて選択。", then "出典付きでコピー"
// with the same limit, which adds the page's source) while a page is shown
// and never the browser's own, a copy of plain text limited to 600 bytes of
// CP932 text, a block on the Ctrl key ("マウスの右ボタンでコピーして下さい。"),
// select all, printing on the default printer without a dialog, page setup
// and preview, and saving the page shown. The menu and the Ctrl block belong
// to the page itself: the print, preview and page setup dialogs the view
// opens are windows of their own and keep their keys and mouse.
//
// Text size: the page is shown zoomed by one of the steps of ZoomSteps()
// (1.0 at start), kept across the pages shown and followed by printing.
// The Ctrl block lets exactly the zoom keys through (Ctrl with +, =, - or 0,
// on the main keys or the keypad, Shift allowed), and Ctrl with the mouse
// wheel zooms. So that a zoom key can follow the Ctrl key at all, the
// message of the block comes when the Ctrl key is let go (or at once, for
// any other key pressed with it), once per press, and not when a zoom key
// was used meanwhile.
// Printing says what went wrong: no printer, a printer that failed, and asks
// before it overwrites a file that exists.
// The pages shown are content only: no script of theirs runs, and they load
// nothing but the page files the view was sent to (CSafePage).
#pragma once

#include <QPrinter>
#include <QUrl>
#include <QWebEngineView>
#include <functional>

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

  // The copy of the context menu and of the frame, wherever it starts: the
  // clipboard gets the selection's plain text (never its markup), cut to at
  // most 600 bytes of its CP932 form.
  void LimitedCopy();
  // The text that copy puts on the clipboard: the selection's plain text cut
  // to the limit (empty when nothing is selected).
  QString LimitedSelection() const;
  // Copy with citation: the same text as LimitedCopy, passed through the
  // citer, which adds the source of the page shown. An empty selection, or a
  // page without a source, leaves the clipboard as it was.
  void CitedCopy();
  // Makes the citation of text (the limited selection) into cited and
  // returns true; false when the page shown has no source to cite. With
  // cited null it only answers whether there is a source.
  using Citer = std::function<bool(const QString& text, QString* cited)>;
  void SetCiter(Citer citer) { m_citer = std::move(citer); }
  // A page is shown and the citer knows its source.
  bool CanCite() const { return PageShown() && m_citer && m_citer(QString(), nullptr); }
  void SelectAll();
  // Prints the page on the default printer at once, without a dialog. With
  // no printer, or when printing fails, a message says so; printing to a
  // file that exists asks first, unless overwriteAsked (a print dialog
  // asked already).
  void PrintNow(bool overwriteAsked = false);
  // Why the printer cannot print now (empty when it can): no printer.
  QString PrinterProblem() const;
  // The page setup dialog; its choices apply to later printing.
  void PageSetup();
  // The preview of the printed page.
  void PrintPreview();
  // The browser's print with its print dialog.
  void PrintWithDialog();
  // The browser's cut and paste (the page is read-only: they change nothing).
  void Cut();
  void Paste();

  // Text size. SetTextZoom takes the nearest step; the factor holds for every
  // page shown from now on and for printing.
  static const QList<double>& ZoomSteps();
  double TextZoom() const { return m_zoom; }
  void SetTextZoom(double factor);
  void ZoomIn();
  void ZoomOut();
  void ZoomReset() { SetTextZoom(1.0); }
  bool CanZoomIn() const { return m_zoom < ZoomSteps().last(); }
  bool CanZoomOut() const { return m_zoom > ZoomSteps().first(); }
  // Whether key with modifiers is one of the zoom keys the Ctrl block lets through.
  static bool IsZoomKey(int key, Qt::KeyboardModifiers modifiers);

  // Saves the page shown to path: the page file's HTML as it is, or the
  // page's plain text (UTF-8) when asText. done gets false and the reason
  // when nothing is shown or the file cannot be written.
  void SavePage(const QString& path, bool asText, std::function<void(bool ok, const QString& error)> done);

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
  // The text size changed (factor: the new zoom).
  void textZoomChanged(double factor);
  // The context menu was opened at a screen position.
  void contextMenuShown(const QPoint& globalPos);

 private:
  void ShowContextMenu(const QPoint& globalPos);
  // The zoom on the page shown, and in its print style.
  void ApplyZoom();
  // The message of the Ctrl block, once for the press it is pending for.
  void WarnCtrlBlocked();
  // Whether o is the view or a widget inside it, in the view's own window.
  bool IsInside(const QObject* o) const;

  CSafePage* m_page = nullptr;
  QMenu* m_menu = nullptr;
  QAction* m_copyAction = nullptr;
  QAction* m_selectAllAction = nullptr;
  QAction* m_citeAction = nullptr;
  Citer m_citer;
  // The location last asked for, or last reached by the browser itself.
  QUrl m_location{QStringLiteral("about:blank")};
  QPrinter m_printer;
  bool m_printing = false;
  double m_zoom = 1.0;
  // A Ctrl press was blocked and its message not yet shown.
  bool m_ctrlWarningPending = false;
  // Wheel turns with Ctrl not yet amounting to a notch.
  int m_wheelDelta = 0;
};

}  // namespace tevarin
