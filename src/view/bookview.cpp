#include "view/bookview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWebEnginePage>
#include <cstdio>
#include <memory>

#include "app/messages.h"
#include "view/limitedcopy.h"

CBookView::CBookView(QWidget* parent) : QWebEngineView(parent) {
  setObjectName(QStringLiteral("BookView"));
  // Menu 130: the view's own context menu; the browser's menu is never shown.
  setContextMenuPolicy(Qt::NoContextMenu);
  m_menu = new QMenu(this);
  m_copyAction = m_menu->addAction(QStringLiteral("コピー(300字以内に制限しています。)"));
  m_selectAllAction = m_menu->addAction(QStringLiteral("すべて選択。"));
  connect(m_copyAction, &QAction::triggered, this, &CBookView::LimitedCopy);
  connect(m_selectAllAction, &QAction::triggered, this, &CBookView::SelectAll);
  connect(m_menu, &QMenu::aboutToShow, this, [this] {
    m_copyAction->setEnabled(PageShown());
    m_selectAllAction->setEnabled(PageShown());
  });
  // Keyboard and mouse events of the browser's inner widgets pass here first.
  qApp->installEventFilter(this);
  Navigate(QStringLiteral("about:blank"));
}

CBookView::~CBookView() { qApp->removeEventFilter(this); }

void CBookView::Navigate(const QString& location) {
  if (location == QLatin1String("about:blank")) {
    m_location = QUrl(location);
  } else {
    const int hash = location.indexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(hash < 0 ? location : location.left(hash));
    if (hash >= 0) url.setFragment(location.mid(hash + 1));
    m_location = url;
  }
  load(m_location);
}

QString CBookView::CurrentLocation() const { return m_location.toString(); }

bool CBookView::IsInside(QObject* o) const {
  for (; o; o = o->parent())
    if (o == this) return true;
  return false;
}

bool CBookView::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInside(watched)) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::RightButton) return false;
      if (PageShown()) ShowContextMenu(me->globalPosition().toPoint());
      return true;
    }
    case QEvent::ContextMenu:
      return true;  // the browser's own menu never appears
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (ke->key() != Qt::Key_Control || ke->isAutoRepeat()) {
        // Every Ctrl combination typed in the view is blocked as well.
        return (ke->modifiers() & Qt::ControlModifier) != 0;
      }
      emit ctrlBlocked();
      ShowWarning(this, QStringLiteral("マウスの右ボタンでコピーして下さい。"));
      return true;
    }
    default:
      return false;
  }
}

void CBookView::ShowContextMenu(const QPoint& globalPos) { m_menu->popup(globalPos); }

QString CBookView::LimitedCopyText(const QString& selection, bool* cut) {
  const int length = Cp932Length(selection);
  if (cut) *cut = length > kCopyLimitBytes;
  return length > kCopyLimitBytes ? CutToCp932Bytes(selection) : selection;
}

void CBookView::LimitedCopy() {
  const QString selection = page()->selectedText();
  bool cut = false;
  const QString text = LimitedCopyText(selection, &cut);
  std::fprintf(stderr, "%d\n", Cp932Length(selection));
  if (!cut) {
    // Short enough: the browser's copy, with every format it offers.
    page()->triggerAction(QWebEnginePage::Copy);
    return;
  }
  // Too long: plain text only, cut at a character boundary.
  auto* data = new QMimeData;
  data->setText(text);
  QApplication::clipboard()->setMimeData(data);
}

void CBookView::UnlimitedCopy() { page()->triggerAction(QWebEnginePage::Copy); }

void CBookView::SelectAll() { page()->triggerAction(QWebEnginePage::SelectAll); }

void CBookView::PrintNow() {
  auto* printer = new QPrinter(QPrinter::HighResolution);
  auto conn = std::make_shared<QMetaObject::Connection>();
  *conn = connect(this, &QWebEngineView::printFinished, this, [printer, conn](bool) {
    delete printer;
    QObject::disconnect(*conn);
  });
  print(printer);
}

void CBookView::PageSetup() {
  QPrinter printer;
  QPageSetupDialog dialog(&printer, this);
  dialog.exec();
}

void CBookView::PrintPreview() {
  QPrinter printer;
  QPrintPreviewDialog preview(&printer, this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
    QEventLoop loop;
    connect(this, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
    print(p);
    loop.exec();
  });
  preview.exec();
}
