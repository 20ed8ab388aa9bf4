// CHtmlCtrl: the keyword field, a small browser view showing the program's
// page "INPUT.HTM" with one text input; the keyword text is read from the
// page's input elements. Script of the page does not run; the program's own
// scripts that read and set the input run apart from it (CSafePage).
#pragma once

#include <QWebEngineView>
#include <functional>
#include <optional>

namespace tevarin {

class CSafePage;

class CHtmlCtrl : public QWebEngineView {
  Q_OBJECT
 public:
  explicit CHtmlCtrl(QWidget* parent = nullptr);
  // Takes the place, geometry and object name of a placeholder child of parent.
  static CHtmlCtrl* CreateInPlaceOf(QWidget* placeholder);
  // Shows "INPUT.HTM" from the program's resources.
  void LoadInputPage();
  bool PageLoaded() const { return m_loaded; }

  // Reads the value of every input element, in document order; the callback
  // gets the last value, or nullopt when an input element has no value. When
  // no page is loaded the callback gets an empty list marker (loaded = false).
  void ReadInputValue(std::function<void(bool loaded, std::optional<QString> value)> done);
  // Sets the text input's value (used by tests and by nothing else).
  void SetInputValue(const QString& text, std::function<void()> done = {});

 signals:
  void inputPageReady();

 private:
  CSafePage* m_page = nullptr;
  bool m_loaded = false;
};

}  // namespace tevarin
