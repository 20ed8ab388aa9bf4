#include "ui/app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>
#include <memory>

namespace tevarin {

namespace {

QString g_current = QStringLiteral("ja");
std::vector<std::unique_ptr<QTranslator>> g_translators;

void RemoveTranslators() {
  for (const auto& t : g_translators) QCoreApplication::removeTranslator(t.get());
  g_translators.clear();
}

bool Install(const QString& file, const QString& folder) {
  auto t = std::make_unique<QTranslator>();
  if (!t->load(file, folder) || !QCoreApplication::installTranslator(t.get())) return false;
  g_translators.push_back(std::move(t));
  return true;
}

}  // namespace

const std::vector<InterfaceLanguage>& InterfaceLanguages() {
  static const std::vector<InterfaceLanguage> languages = {
      {"ja", "日本語"}, {"zh_TW", "繁體中文"}, {"en", "English"}};
  return languages;
}

bool IsInterfaceLanguage(const QString& code) {
  for (const InterfaceLanguage& l : InterfaceLanguages())
    if (code == QLatin1String(l.code)) return true;
  return false;
}

QString LanguageForLocales(const QStringList& uiLanguages) {
  for (const QString& locale : uiLanguages) {
    const QString language = locale.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
    if (language == QLatin1String("zh")) return QStringLiteral("zh_TW");
    if (language == QLatin1String("en")) return QStringLiteral("en");
    if (language == QLatin1String("ja")) return QStringLiteral("ja");
  }
  return QStringLiteral("ja");
}

QString ResolveLanguage(const QString& setting, const QStringList& uiLanguages) {
  return IsInterfaceLanguage(setting) ? setting : LanguageForLocales(uiLanguages);
}

QString LanguageSetting() { return QSettings().value(QString::fromLatin1(kLanguageKey)).toString(); }

void SaveLanguageSetting(const QString& code) {
  QSettings().setValue(QString::fromLatin1(kLanguageKey), IsInterfaceLanguage(code) ? code : QString());
}

bool UseLanguage(const QString& code) {
  RemoveTranslators();
  g_current = QStringLiteral("ja");
  const QString language = IsInterfaceLanguage(code) ? code : QStringLiteral("ja");
  // Qt's own texts (standard buttons and dialogs), when the system has them.
  Install(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (language == QLatin1String("ja")) return true;
  if (!Install(QStringLiteral("tevarin_") + language, QStringLiteral(":/i18n"))) {
    RemoveTranslators();
    return false;
  }
  g_current = language;
  return true;
}

QString CurrentLanguage() { return g_current; }

}  // namespace tevarin
