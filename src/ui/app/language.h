// The interface languages. Japanese is the language of the source texts and
// the default; Traditional Chinese and English come from translations built
// into the program (":/i18n/tevarin_<code>.qm"). The setting View/Language
// names one of them, or is empty to follow the system's preferred languages.
// The language is chosen once at start: a new choice in the View menu takes
// effect at the next start. The pages and the names of the collection are
// data and are never translated.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace tevarin {

inline constexpr const char* kLanguageKey = "View/Language";

struct InterfaceLanguage {
  const char* code;  // "ja", "zh_TW", "en"
  const char* name;  // in its own language, as the menu shows it
};
// Japanese first.
const std::vector<InterfaceLanguage>& InterfaceLanguages();
bool IsInterfaceLanguage(const QString& code);

// The language for the system's preferred languages (QLocale::uiLanguages(),
// such as "zh-Hant-TW" or "en-GB"), the first of them that has one: any
// Chinese takes Traditional Chinese, any English English, Japanese
// Japanese. Japanese when none has.
QString LanguageForLocales(const QStringList& uiLanguages);
// The language for a setting: the setting when it names one, else the
// system's.
QString ResolveLanguage(const QString& setting, const QStringList& uiLanguages);

QString LanguageSetting();
void SaveLanguageSetting(const QString& code);

// Puts the translations of code in force for the whole application (Qt's
// own texts too, when the system has them), replacing those in force; none
// for Japanese. False when the program's translation for code cannot be
// loaded: the source texts stay.
bool UseLanguage(const QString& code);
// The language in force ("ja" until UseLanguage chose another).
QString CurrentLanguage();

}  // namespace tevarin
