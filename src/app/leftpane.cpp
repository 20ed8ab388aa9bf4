// The left pane until the navigation form is filled in: an empty panel on
// the paper colour of the program's pictures.
#include "app/leftpane.h"

#include <QFrame>

QWidget* CreateLeftPane(CMainFrame*, QWidget* parent) {
  auto* pane = new QFrame(parent);
  pane->setObjectName(QStringLiteral("LeftPane"));
  pane->setFrameShape(QFrame::StyledPanel);
  pane->setFocusPolicy(Qt::StrongFocus);
  pane->setMinimumWidth(100);
  QPalette pal = pane->palette();
  pal.setColor(QPalette::Window, QColor(0xf3, 0xe6, 0xc8));
  pane->setPalette(pal);
  pane->setAutoFillBackground(true);
  return pane;
}

void InitialUpdateLeftPane(CMainFrame*, QWidget*) {}
