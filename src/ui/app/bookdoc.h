// CBookDoc: the document of the single-document program. It holds nothing:
// its title is empty and saving writes a file with no content to the name
// the user chooses.
#pragma once

#include <QString>

class QWidget;

namespace tevarin {

class CBookDoc {
 public:
  // A new document: its title becomes the empty string.
  void OnNewDocument() { m_strTitle.clear(); }
  const QString& Title() const { return m_strTitle; }

  // The save command: asks for a file name, then writes the empty file. A
  // file that cannot be written is reported in a message box. False when
  // cancelled or failed.
  bool OnFileSave(QWidget* parent);
  // Writes a file with no content; false (with the reason) on failure.
  static bool WriteEmpty(const QString& path, QString* error = nullptr);

 private:
  QString m_strTitle;
};

}  // namespace tevarin
