// CBookDoc: the empty document. It holds nothing; saving writes an empty file
// to the name the user chooses.
#pragma once

#include <QString>

class QWidget;

class CBookDoc {
 public:
  QString Title() const { return QString(); }
  // Asks for a file name and writes a file with no content; false when
  // cancelled or the file cannot be written.
  bool OnFileSave(QWidget* parent);
  static bool WriteEmpty(const QString& path);
};
