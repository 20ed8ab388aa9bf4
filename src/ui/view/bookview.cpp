#include "ui/view/bookview.h"

#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QSaveFile>
#include <QWebEnginePage>

#include "ui/base/messages.h"
#include "ui/view/limitedcopy.h"
#include "ui/view/safepage.h"

namespace tevarin {

CBookView::CBookView(QWidget* parent) : QWebEngineView(parent) {
  setObjectName(QStringLiteral("BookView"));
  // Pages are content: no script of theirs runs, and they reach only the page
  // files the program shows (see CSafePage).
  m_page = new CSafePage(this);
  setPage(m_page);
  // The browser's own context menu never appears.
  setContextMenuPolicy(Qt::NoContextMenu);
  m_menu = new QMenu(this);
  m_menu->setObjectName(QStringLiteral("BookViewMenu"));
  m_copyAction = m_menu->addAction(QStringLiteral("コピー(300字以内に制限しています。)"));
  m_selectAllAction = m_menu->addAction(QStringLiteral("すべて選択。"));
  connect(m_copyAction, &QAction::triggered, this, &CBookView::LimitedCopy);
  connect(m_selectAllAction, &QAction::triggered, this, &CBookView::SelectAll);
  connect(m_menu, &QMenu::aboutToShow, this, [this] {
    m_copyAction->setEnabled(PageShown());
    m_selectAllAction->setEnabled(PageShown());
  });
  // Keyboard and mouse events of the browser's inner widgets pass here before
  // the browser sees them.
  qApp->installEventFilter(this);
  // A location the browser reaches by itself (a link in a page) becomes the
  // current location too.
  connect(this, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
    if (!url.isEmpty()) m_location = url;
  });
  Navigate(QStringLiteral("about:blank"));
}

CBookView::~CBookView() { qApp->removeEventFilter(this); }

void CBookView::Navigate(const QString& location) {
  QUrl url;
  if (location == QLatin1String("about:blank")) {
    url = QUrl(location);
  } else {
    // The anchor is what follows the last "#", when that holds no folder part.
    const qsizetype hash = location.lastIndexOf(QLatin1Char('#'));
    const bool anchored = hash >= 0 && location.indexOf(QLatin1Char('/'), hash) < 0;
    const QString file = anchored ? location.left(hash) : location;
    url = QUrl::fromLocalFile(file);
    if (anchored) url.setFragment(location.mid(hash + 1));
    // A file the program shows is one of its page files from now on.
    m_page->AllowFile(file);
  }
  m_location = url;
  load(url);
}

QString CBookView::CurrentLocation() const { return m_location.toString(); }

bool CBookView::IsInside(const QObject* o) const {
  for (; o; o = o->parent()) {
    if (o == this) return true;
    // A window of its own (a dialog or menu the view is the parent of) ends
    // the view's part of the chain.
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) return false;
  }
  return false;
}

CBookView::KeyAction CBookView::ActionForKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
  if (key == Qt::Key_Control) return autoRepeat ? KeyAction::Block : KeyAction::BlockAndWarn;
  // A combination whose Ctrl press was not seen here (Ctrl held before the
  // view got the focus) is blocked as well.
  if (modifiers & Qt::ControlModifier) return KeyAction::Block;
  return KeyAction::Pass;
}

bool CBookView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::RightButton) return false;
      // On the blank page no menu at all.
      if (PageShown()) ShowContextMenu(me->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    }
    case QEvent::ContextMenu:
      return watched->isWidgetType() && IsInside(watched);
    case QEvent::ShortcutOverride: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      // Taken, so that no window shortcut fires; the key press that follows
      // is blocked below.
      auto* ke = static_cast<QKeyEvent*>(event);
      if (ActionForKey(ke->key(), ke->modifiers(), ke->isAutoRepeat()) == KeyAction::Pass) return false;
      event->accept();
      return true;
    }
    case QEvent::KeyPress: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      auto* ke = static_cast<QKeyEvent*>(event);
      switch (ActionForKey(ke->key(), ke->modifiers(), ke->isAutoRepeat())) {
        case KeyAction::Pass:
          return false;
        case KeyAction::Block:
          return true;
        case KeyAction::BlockAndWarn:
          emit ctrlBlocked();
          ShowWarning(this, QStringLiteral("マウスの右ボタンでコピーして下さい。"));
          return true;
      }
      return true;
    }
    default:
      return false;
  }
}

void CBookView::ShowContextMenu(const QPoint& globalPos) {
  m_menu->popup(globalPos);
  emit contextMenuShown(globalPos);
}

void CBookView::LimitedCopy() {
  // The browser's plain text of the selection, the text its copy puts on the
  // clipboard as plain text. Only that text goes to the clipboard: the
  // page's markup (marks, anchors, styles) stays behind.
  const QString selection = page()->selectedText();
  const int length = Cp932Length(selection);
  qDebug("%d", length);
  // An empty selection leaves the clipboard as it was.
  if (selection.isEmpty()) return;
  auto* data = new QMimeData;
  // Cut between characters when too long.
  data->setText(length <= kCopyLimitBytes ? selection : CutToCp932Bytes(selection));
  QApplication::clipboard()->setMimeData(data);
}

void CBookView::SelectAll() {
  // The browser's select-all acts on the focused frame only; selecting the
  // body's contents works whether or not the view has the keyboard focus.
  m_page->RunProgramScript(QStringLiteral(
      "if (document.body) window.getSelection().selectAllChildren(document.body);"));
}

void CBookView::Cut() { page()->triggerAction(QWebEnginePage::Cut); }

void CBookView::Paste() { page()->triggerAction(QWebEnginePage::Paste); }

QString CBookView::PrinterProblem() const {
  // Without a printer the printer falls back to writing PDF, which needs a
  // file name: with none there is nowhere to print.
  if (m_printer.outputFormat() == QPrinter::PdfFormat && m_printer.outputFileName().isEmpty())
    return QStringLiteral("印刷できるプリンタがありません。");
  return QString();
}

void CBookView::PrintNow(bool overwriteAsked) {
  if (m_printing) return;  // one print job at a time
  if (const QString problem = PrinterProblem(); !problem.isEmpty()) {
    ShowWarning(this, problem);
    return;
  }
  const QString file = m_printer.outputFileName();
  if (!overwriteAsked && !file.isEmpty() && QFileInfo::exists(file) &&
      !AskYesNo(this, QStringLiteral("ファイル「%1」は既にあります。上書きしますか？").arg(file)))
    return;
  m_printing = true;
  auto conn = std::make_shared<QMetaObject::Connection>();
  *conn = connect(this, &QWebEngineView::printFinished, this, [this, conn, file](bool ok) {
    m_printing = false;
    QObject::disconnect(*conn);
    if (!ok)
      ShowWarning(this, file.isEmpty() ? QStringLiteral("頁を印刷できませんでした。")
                                       : QStringLiteral("頁をファイル「%1」に印刷できませんでした。").arg(file));
  });
  print(&m_printer);
}

void CBookView::PrintWithDialog() {
  if (m_printing) return;
  QPrintDialog dialog(&m_printer, this);
  // The dialog asks itself before it lets a file that exists be chosen.
  if (dialog.exec() == QDialog::Accepted) PrintNow(true);
}

void CBookView::SavePage(const QString& path, bool asText,
                         std::function<void(bool ok, const QString& error)> done) {
  auto write = [path, done](const QByteArray& bytes) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
      done(false, out.errorString());
      return;
    }
    done(true, QString());
  };
  const QUrl shown(CurrentLocation());
  if (!PageShown() || !shown.isLocalFile()) {
    done(false, QStringLiteral("表示している頁がありません。"));
    return;
  }
  if (asText) {
    page()->toPlainText([write](const QString& text) { write(text.toUtf8()); });
    return;
  }
  // The page file as it is (the anchor of a hit is no part of it).
  QFile in(shown.toLocalFile());
  if (!in.open(QIODevice::ReadOnly)) {
    done(false, in.errorString());
    return;
  }
  write(in.readAll());
}

void CBookView::PageSetup() {
  QPageSetupDialog dialog(&m_printer, this);
  dialog.exec();
}

void CBookView::PrintPreview() {
  if (m_printing) return;
  QPrintPreviewDialog preview(&m_printer, this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
    // The preview wants the pages at once: wait for the browser's printing.
    QEventLoop loop;
    connect(this, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
    m_printing = true;
    print(p);
    loop.exec();
    m_printing = false;
  });
  preview.exec();
}

}  // namespace tevarin
