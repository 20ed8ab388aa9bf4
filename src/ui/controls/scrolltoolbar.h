// CSCrollToolBar: the main toolbar. Ten command buttons with separators over
// the background picture (select all, copy | print | previous volume,
// previous page, next page, next volume | previous hit, next hit | about |),
// then the 300-pixel page slider and the read-only page box at the right end.
// Releasing the slider (or stepping it with a click or a key) is reported
// with pageReleased; the owner shows that page. The slider and the page box
// show the volume and page of the reading session the toolbar is given.
#pragma once

#include <QList>

#include "ui/controls/xedit.h"
#include "ui/controls/xsliderctrl.h"
#include "ui/controls/xtoolbar.h"

namespace tevarin {

class CReadingSession;

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
  // The reading session, not owned; set with the panes of the main frame.
  void SetSession(const CReadingSession* session) { m_pSession = session; }
  const CReadingSession* Session() const { return m_pSession; }
  // The slider over the pages of the volume read, at the page read, and the
  // page box text; nothing while no volume has been read.
  void ShowReading();
  // Writes the page box text of the page read.
  void WritePageBox();

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
  const CReadingSession* m_pSession = nullptr;
};

}  // namespace tevarin
