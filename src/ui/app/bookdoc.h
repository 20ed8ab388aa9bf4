// CBookDoc: the document of the single-document program. It holds nothing:
// its title is empty. What the save command writes is the page shown in the
// page view (the main frame's save).
#pragma once

#include <QString>

namespace tevarin {

class CBookDoc {
 public:
  // A new document: its title becomes the empty string.
  void OnNewDocument() { m_strTitle.clear(); }
  const QString& Title() const { return m_strTitle; }

 private:
  QString m_strTitle;
};

}  // namespace tevarin
