#include "controls/scrolltoolbar.h"

#include <QAction>
#include <QApplication>
#include <QCursor>

#include "panel/leftform.h"

CSCrollToolBar::CSCrollToolBar(QWidget* parent) : CXToolBar(parent) {
  setObjectName(QStringLiteral("MainToolBar"));
  setMovable(false);
  setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  setToolButtonStyle(Qt::ToolButtonIconOnly);
}

bool CSCrollToolBar::Create(const QList<QAction*>& buttons) {
  for (QAction* a : buttons) {
    if (a)
      addAction(a);
    else
      addSeparator();
  }
  addSeparator();
  SetImageSize(40, 40);
  SetBackgroundBitmap(QStringLiteral(":/res/toolbar_bg_171.bmp"));
  LoadColorImages(10, QColor(255, 0, 255), QStringLiteral(":/res/buttons_normal_172.bmp"),
                  QStringLiteral(":/res/buttons_disabled_173.bmp"),
                  QStringLiteral(":/res/buttons_hot_174.bmp"));

  m_Slider = new CXSliderCtrl(this);
  m_Slider->setFixedWidth(300);
  m_Slider->setObjectName(QStringLiteral("PageSlider"));
  m_Slider->SetBackgroundBitmap(QStringLiteral(":/res/toolbar_bg_171.bmp"));
  m_Slider->setRange(0, 0);
  addWidget(m_Slider);
  connect(m_Slider, &CXSliderCtrl::pageChosen, this, &CSCrollToolBar::OnPageChosen);

  m_PageBox = new CXEdit(this);
  m_PageBox->setFixedWidth(100);
  m_PageBox->setObjectName(QStringLiteral("PageBox"));
  m_PageBox->SetBackgroundBitmap(QStringLiteral(":/res/toolbar_bg_171.bmp"));
  addWidget(m_PageBox);
  return true;
}

void CSCrollToolBar::OnPageChosen(int position) {
  QApplication::setOverrideCursor(Qt::PointingHandCursor);
  if (m_pLeftForm && m_pLeftForm->m_nCurNode != 0) {
    m_pLeftForm->ShowDocument(m_pLeftForm->m_nCurNode, false, position);
    m_pLeftForm->m_nCurPageNo = position;
    m_PageBox->setText(PageBoxText(m_pLeftForm->m_Index.GetHeaderValue(), position));
  }
  QApplication::restoreOverrideCursor();
}
