// CSCrollToolBar: the main toolbar. Ten command buttons with separators over
// the background picture (select all, copy | print | previous volume,
// previous page, next page, next volume | previous hit, next hit | about |),
// then the 300-pixel page slider and the read-only page box at the right end.
// Releasing the slider (or stepping it with a click or a key) is reported
// with pageReleased; the owner shows that page.
#pragma once

#include <QList>

#include "ui/controls/xedit.h"
#include "ui/controls/xsliderctrl.h"
#include "ui/controls/xtoolbar.h"

namespace tevarin {

class CLeftForm;

class CSCrollToolBar : public CXToolBar {
  Q_OBJECT
 public:
  explicit CSCrollToolBar(QWidget* parent = nullptr);

  // Builds the toolbar: the command buttons in order (null entries are
  // separators), the pictures, then the slider and the page box. False when
  // the buttons cannot be laid out (an empty list).
  bool Create(const QList<QAction*>& buttons);

  CXSliderCtrl* Slider() const { return m_Slider; }
  CXEdit* PageBox() const { return m_PageBox; }
  // The navigation form, not owned; set by the main frame with its panes.
  void SetLeftForm(CLeftForm* form) { m_pLeftForm = form; }
  CLeftForm* LeftForm() const { return m_pLeftForm; }

  // The page box text: stored header value, a slash, the page number.
  static QString PageBoxText(int headerValue, int pageNo) {
    return QStringLiteral("%1/%2").arg(headerValue).arg(pageNo);
  }

 signals:
  // The slider was released on (or stepped to) position.
  void pageReleased(int position);

 private:
  void OnPageChosen(int position);

  CXSliderCtrl* m_Slider = nullptr;
  CXEdit* m_PageBox = nullptr;
  CLeftForm* m_pLeftForm = nullptr;
};

}  // namespace tevarin
