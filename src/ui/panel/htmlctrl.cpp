#include "ui/panel/htmlctrl.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include "ui/view/safepage.h"

namespace tevarin {

namespace {
const QUrl kInputPage(QStringLiteral("qrc:/res/INPUT.HTM"));
}

CHtmlCtrl::CHtmlCtrl(QWidget* parent) : QWebEngineView(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  // The field shows its own page and goes nowhere else; the program reads and
  // sets the input in a world of its own, with script of the page off.
  m_page = new CSafePage(this);
  setPage(m_page);
  // The field is a single line; the page never scrolls inside it.
  page()->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  page()->setBackgroundColor(QColor(0xEC, 0xE9, 0xD8));
  connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
    m_loaded = ok;
    if (ok) emit inputPageReady();
  });
}

CHtmlCtrl* CHtmlCtrl::CreateInPlaceOf(QWidget* placeholder) {
  if (!placeholder || !placeholder->parentWidget()) return nullptr;
  QWidget* parent = placeholder->parentWidget();
  auto* ctrl = new CHtmlCtrl(parent);
  ctrl->setGeometry(placeholder->geometry());
  ctrl->setObjectName(placeholder->objectName());
  delete placeholder;
  ctrl->show();
  return ctrl;
}

void CHtmlCtrl::LoadInputPage() {
  QFile f(QStringLiteral(":/res/INPUT.HTM"));
  QByteArray html;
  if (f.open(QIODevice::ReadOnly)) html = f.readAll();
  setHtml(QString::fromUtf8(html), kInputPage);
}

void CHtmlCtrl::ReadInputValue(std::function<void(bool, std::optional<QString>)> done) {
  if (!m_loaded) {
    done(false, std::nullopt);
    return;
  }
  // All elements in document order; for each input element its value, or null
  // when it has none.
  const QString script = QStringLiteral(
      "(function(){var out=[];var all=document.getElementsByTagName('*');"
      "for(var i=0;i<all.length;i++){var e=all[i];if(e.tagName==='INPUT'){"
      "out.push(e.hasAttribute('value')||e.value!==undefined?e.value:null);}}"
      "return JSON.stringify(out);})()");
  m_page->RunProgramScript(script, [done](const QVariant& result) {
    const QJsonDocument doc = QJsonDocument::fromJson(result.toString().toUtf8());
    std::optional<QString> value = QString();
    bool any = false;
    for (const auto& v : doc.array()) {
      any = true;
      if (v.isNull()) {
        done(true, std::nullopt);
        return;
      }
      value = v.toString();
    }
    done(true, any ? value : std::optional<QString>(QString()));
  });
}

void CHtmlCtrl::SetInputValue(const QString& text, std::function<void()> done) {
  const QString json = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
  m_page->RunProgramScript(
      QStringLiteral("document.getElementsByName('textfield')[0].value=%1[0];").arg(json),
      [done](const QVariant&) {
        if (done) done();
      });
}

}  // namespace tevarin
