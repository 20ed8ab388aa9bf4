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
#include <QWheelEvent>
#include <cmath>

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
  m_copyAction = m_menu->addAction(tr("コピー(300字以内に制限しています。)"));
  m_selectAllAction = m_menu->addAction(tr("すべて選択。"));
  connect(m_copyAction, &QAction::triggered, this, &CBookView::LimitedCopy);
  connect(m_selectAllAction, &QAction::triggered, this, &CBookView::SelectAll);
  m_citeAction = m_menu->addAction(tr("出典付きでコピー"));
  m_citeAction->setObjectName(QStringLiteral("BookViewCiteAction"));
  connect(m_citeAction, &QAction::triggered, this, &CBookView::CitedCopy);
  connect(m_menu, &QMenu::aboutToShow, this, [this] {
    m_copyAction->setEnabled(PageShown());
    m_selectAllAction->setEnabled(PageShown());
    m_citeAction->setEnabled(CanCite());
  });
  // Keyboard and mouse events of the browser's inner widgets pass here before
  // the browser sees them.
  qApp->installEventFilter(this);
  // A location the browser reaches by itself (a link in a page) becomes the
  // current location too.
  connect(this, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
    if (!url.isEmpty()) m_location = url;
  });
  // Every page shown keeps the text size, on screen and in print.
  connect(this, &QWebEngineView::loadFinished, this, [this] { ApplyZoom(); });
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
  setZoomFactor(m_zoom);
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

bool CBookView::IsZoomKey(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers other = modifiers & ~(Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
  if (!(modifiers & Qt::ControlModifier) || other) return false;
  return key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Minus || key == Qt::Key_0;
}

CBookView::KeyAction CBookView::ActionForKey(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
  if (key == Qt::Key_Control) return autoRepeat ? KeyAction::Block : KeyAction::BlockAndWarn;
  // The zoom keys go on to the frame's text size commands.
  if (IsZoomKey(key, modifiers)) return KeyAction::Pass;
  // A combination whose Ctrl press was not seen here (Ctrl held before the
  // view got the focus) is blocked as well.
  if (modifiers & Qt::ControlModifier) return KeyAction::Block;
  return KeyAction::Pass;
}

void CBookView::WarnCtrlBlocked() {
  if (!m_ctrlWarningPending) return;
  m_ctrlWarningPending = false;
  emit ctrlBlocked();
  ShowWarning(this, tr("マウスの右ボタンでコピーして下さい。"));
}

const QList<double>& CBookView::ZoomSteps() {
  static const QList<double> steps = {0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
  return steps;
}

void CBookView::SetTextZoom(double factor) {
  // The nearest step; a value that is no number keeps the usual size.
  double step = 1.0;
  if (std::isfinite(factor))
    for (double s : ZoomSteps())
      if (std::abs(s - factor) < std::abs(step - factor)) step = s;
  const bool changed = step != m_zoom;
  m_zoom = step;
  ApplyZoom();
  if (changed) emit textZoomChanged(m_zoom);
}

void CBookView::ZoomIn() {
  for (double s : ZoomSteps())
    if (s > m_zoom) {
      SetTextZoom(s);
      return;
    }
}

void CBookView::ZoomOut() {
  const QList<double>& steps = ZoomSteps();
  for (auto it = steps.rbegin(); it != steps.rend(); ++it)
    if (*it < m_zoom) {
      SetTextZoom(*it);
      return;
    }
}

void CBookView::ApplyZoom() {
  setZoomFactor(m_zoom);
  if (!PageShown()) return;
  // The browser prints a page at its own size whatever the zoom on screen:
  // a print style of the program's own zooms the printout alike.
  m_page->RunProgramScript(QStringLiteral(
      "(function(){var s=document.getElementById('tevarin-print-zoom');"
      "if(!s){s=document.createElement('style');s.id='tevarin-print-zoom';"
      "(document.head||document.documentElement).appendChild(s);}"
      "s.textContent='@media print{html{zoom:%1}}';})();")
                               .arg(m_zoom));
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
    case QEvent::Wheel: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      auto* we = static_cast<QWheelEvent*>(event);
      if (!(we->modifiers() & Qt::ControlModifier)) return false;
      // Ctrl with the wheel: one step of text size per notch of the wheel
      // (fine-grained wheels add up to a notch first).
      m_ctrlWarningPending = false;
      m_wheelDelta += we->angleDelta().y();
      for (; m_wheelDelta >= QWheelEvent::DefaultDeltasPerStep; m_wheelDelta -= QWheelEvent::DefaultDeltasPerStep)
        ZoomIn();
      for (; m_wheelDelta <= -QWheelEvent::DefaultDeltasPerStep; m_wheelDelta += QWheelEvent::DefaultDeltasPerStep)
        ZoomOut();
      return true;
    }
    case QEvent::ShortcutOverride: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      // Taken, so that no window shortcut fires; the key press that follows
      // is blocked below. A zoom key goes on to its shortcut, and the Ctrl
      // press it came with was no attempt to copy.
      auto* ke = static_cast<QKeyEvent*>(event);
      if (ActionForKey(ke->key(), ke->modifiers(), ke->isAutoRepeat()) == KeyAction::Pass) {
        if (IsZoomKey(ke->key(), ke->modifiers())) m_ctrlWarningPending = false;
        return false;
      }
      event->accept();
      return true;
    }
    case QEvent::KeyPress: {
      if (!watched->isWidgetType() || !IsInside(watched)) return false;
      auto* ke = static_cast<QKeyEvent*>(event);
      switch (ActionForKey(ke->key(), ke->modifiers(), ke->isAutoRepeat())) {
        case KeyAction::Pass:
          if (IsZoomKey(ke->key(), ke->modifiers())) m_ctrlWarningPending = false;
          return false;
        case KeyAction::Block:
          // A combination typed with a blocked Ctrl press: told at once.
          if (ke->key() != Qt::Key_Control) WarnCtrlBlocked();
          return true;
        case KeyAction::BlockAndWarn:
          // Told when the key is let go, unless a zoom key comes first.
          m_ctrlWarningPending = true;
          return true;
      }
      return true;
    }
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (ke->key() == Qt::Key_Control && !ke->isAutoRepeat()) WarnCtrlBlocked();
      return false;
    }
    default:
      return false;
  }
}

void CBookView::ShowContextMenu(const QPoint& globalPos) {
  m_menu->popup(globalPos);
  emit contextMenuShown(globalPos);
}

QString CBookView::LimitedSelection() const {
  // The browser's plain text of the selection, the text its copy puts on the
  // clipboard as plain text. Only that text goes to the clipboard: the
  // page's markup (marks, anchors, styles) stays behind.
  const QString selection = page()->selectedText();
  const int length = Cp932Length(selection);
  qDebug("%d", length);
  // Cut between characters when too long.
  return length <= kCopyLimitBytes ? selection : CutToCp932Bytes(selection);
}

void CBookView::LimitedCopy() {
  const QString text = LimitedSelection();
  // An empty selection leaves the clipboard as it was.
  if (text.isEmpty()) return;
  auto* data = new QMimeData;
  data->setText(text);
  QApplication::clipboard()->setMimeData(data);
}

void CBookView::CitedCopy() {
  if (!PageShown() || !m_citer) return;
  const QString text = LimitedSelection();
  QString cited;
  if (text.isEmpty() || !m_citer(text, &cited)) return;
  auto* data = new QMimeData;
  data->setText(cited);
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
    return tr("印刷できるプリンタがありません。");
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
      !AskYesNo(this, tr("ファイル「%1」は既にあります。上書きしますか？").arg(file)))
    return;
  m_printing = true;
  auto conn = std::make_shared<QMetaObject::Connection>();
  *conn = connect(this, &QWebEngineView::printFinished, this, [this, conn, file](bool ok) {
    m_printing = false;
    QObject::disconnect(*conn);
    if (!ok)
      ShowWarning(this, file.isEmpty() ? tr("頁を印刷できませんでした。")
                                       : tr("頁をファイル「%1」に印刷できませんでした。").arg(file));
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
    done(false, tr("表示している頁がありません。"));
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
