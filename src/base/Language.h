#pragma once

#include <QString>

namespace plandor {

// 0 selects the Chinese texts of the catalogue, 500 the English ones. Set
// once when the start-up window loads; read by every window afterwards.
extern qint16 LanguageOffset;

constexpr qint16 kChineseOffset = 0;
constexpr qint16 kEnglishOffset = 500;

constexpr quint16 kLangIdEnglishUS = 1033;
constexpr quint16 kLangIdChinesePRC = 2052;

// The system default language identifier: GetSystemDefaultLangID on Windows;
// elsewhere the system locale mapped to the same identifier.
quint16 SystemDefaultLangId();

// A locale name such as "zh_CN" or "en_US.UTF-8" as a Windows language
// identifier (primary language and sublanguage); 0 when it is unknown.
quint16 LangIdForLocaleName(const QString &localeName);

// 2052 gives the Chinese texts, 1033 and every other identifier English.
qint16 LanguageOffsetFor(quint16 langId);

} // namespace plandor
