#include "ui/controls/scrolltoolbar.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDebug>

#include "session/readingsession.h"

namespace tevarin {

namespace {
const QString kBackground = QStringLiteral(":/res/toolbar_bg_171.bmp");
}

CSCrollToolBar::CSCrollToolBar(QWidget* parent) : CXToolBar(parent) {
  setObjectName(QStringLiteral("MainToolBar"));
  setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonIconOnly);
}

bool CSCrollToolBar::Create(const QList<QAction*>& buttons) {
  if (buttons.isEmpty()) return false;
  SetImageSize(40, 40);
  for (QAction* a : buttons) {
    if (a)
      AddButton(a);
    else
      AddSeparator();
  }
  AddSeparator();
  SetBackgroundBitmap(kBackground);
  LoadColorImages(10, QColor(255, 0, 255), QStringLiteral(":/res/buttons_normal_172.bmp"),
                  QStringLiteral(":/res/buttons_disabled_173.bmp"),
                  QStringLiteral(":/res/buttons_hot_174.bmp"));

  m_Slider = new CXSliderCtrl(this);
  m_Slider->setFixedWidth(300);
  m_Slider->SetBackgroundBitmap(kBackground);
  m_Slider->setRange(0, 0);
  addWidget(m_Slider);
  connect(m_Slider, &CXSliderCtrl::pageChosen, this, &CSCrollToolBar::OnPageChosen);

  m_PageBox = new CXEdit(this);
  m_PageBox->setFixedWidth(100);
  m_PageBox->SetBackgroundBitmap(kBackground);
  addWidget(m_PageBox);
  return true;
}

void CSCrollToolBar::ShowReading() {
  if (!m_pSession || !m_Slider) return;
  // The range is that of the volume read; with none (a step back past the
  // first volume) the slider keeps the range it has.
  if (const NodeItem* e = m_pSession->Catalogue().Entry(m_pSession->CurNode()))
    m_Slider->setRange(e->curFileName, e->curFileName + e->docNo - 1);
  m_Slider->setValue(m_pSession->CurPageNo());
  WritePageBox();
}

void CSCrollToolBar::WritePageBox() {
  if (m_pSession && m_PageBox) m_PageBox->setText(PageBoxText(m_pSession->HeaderValue(), m_pSession->CurPageNo()));
}

void CSCrollToolBar::OnPageChosen(int position) {
  // The cursor tells that the page is being fetched.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  emit pageReleased(position);
  QApplication::restoreOverrideCursor();
}

}  // namespace tevarin
