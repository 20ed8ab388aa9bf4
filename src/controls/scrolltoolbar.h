// CSCrollToolBar: the main toolbar — command buttons over the background
// picture, then the 300-pixel page slider and the page box at the right end.
#pragma once

#include <QList>

#include "controls/xedit.h"
#include "controls/xsliderctrl.h"
#include "controls/xtoolbar.h"

class CLeftForm;

class CSCrollToolBar : public CXToolBar {
  Q_OBJECT
 public:
  explicit CSCrollToolBar(QWidget* parent = nullptr);

  // Lays out the buttons (null entries are separators), then the slider and
  // the page box, and loads the pictures.
  bool Create(const QList<QAction*>& buttons);

  CXSliderCtrl* Slider() const { return m_Slider; }
  CXEdit* PageBox() const { return m_PageBox; }
  void SetLeftForm(CLeftForm* form) { m_pLeftForm = form; }

  // The page box text: stored header value, a slash, the page number.
  static QString PageBoxText(int headerValue, int pageNo) {
    return QStringLiteral("%1/%2").arg(headerValue).arg(pageNo);
  }

 private:
  void OnPageChosen(int position);

  CXSliderCtrl* m_Slider = nullptr;
  CXEdit* m_PageBox = nullptr;
  CLeftForm* m_pLeftForm = nullptr;
};
