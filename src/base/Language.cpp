#include "base/Language.h"

#include <QLocale>

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace plandor {

qint16 LanguageOffset = kEnglishOffset;

namespace {

// Windows language identifiers: (sublanguage << 10) | primary language.
constexpr std::pair<const char *, quint16> kLangIds[] = {
    { "zh_CN", 0x0804 },
    { "zh_TW", 0x0404 },
    { "zh_HK", 0x0C04 },
    { "zh_SG", 0x1004 },
    { "en_US", 0x0409 },
    { "en_GB", 0x0809 },
    { "en_AU", 0x0C09 },
    { "en_CA", 0x1009 },
    { "en_NZ", 0x1409 },
    { "en_IE", 0x1809 },
    { "en_IN", 0x4009 },
    { "ja_JP", 0x0411 },
    { "ko_KR", 0x0412 },
    { "de_DE", 0x0407 },
    { "de_AT", 0x0C07 },
    { "de_CH", 0x0807 },
    { "fr_FR", 0x040C },
    { "fr_CA", 0x0C0C },
    { "fr_BE", 0x080C },
    { "es_ES", 0x0C0A },
    { "es_MX", 0x080A },
    { "it_IT", 0x0410 },
    { "pt_BR", 0x0416 },
    { "pt_PT", 0x0816 },
    { "ru_RU", 0x0419 },
    { "pl_PL", 0x0415 },
    { "nl_NL", 0x0413 },
    { "sv_SE", 0x041D },
    { "tr_TR", 0x041F },
    { "cs_CZ", 0x0405 },
    { "hu_HU", 0x040E },
    { "vi_VN", 0x042A },
    { "th_TH", 0x041E },
    { "ar_SA", 0x0401 },
    { "he_IL", 0x040D },
    { "uk_UA", 0x0422 },
};

// Primary language alone, for a locale whose country is not listed above:
// the identifier of the language's default sublanguage (1).
constexpr std::pair<const char *, quint16> kPrimary[] = {
    { "zh", 0x0804 },
    { "en", 0x0409 },
    { "ja", 0x0411 },
    { "ko", 0x0412 },
    { "de", 0x0407 },
    { "fr", 0x040C },
    { "es", 0x0C0A },
    { "it", 0x0410 },
    { "pt", 0x0416 },
    { "ru", 0x0419 },
    { "pl", 0x0415 },
    { "nl", 0x0413 },
    { "sv", 0x041D },
    { "tr", 0x041F },
    { "cs", 0x0405 },
};

} // namespace

quint16 LangIdForLocaleName(const QString &localeName)
{
    // "zh_CN.GB18030@euro" -> "zh_CN"; "zh-CN" -> "zh_CN".
    QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    for (const auto &[locale, id] : kLangIds) {
        if (name == QLatin1String(locale))
            return id;
    }
    const QString primary = name.section(QLatin1Char('_'), 0, 0);
    for (const auto &[language, id] : kPrimary) {
        if (primary == QLatin1String(language))
            return id;
    }
    return 0;
}

quint16 SystemDefaultLangId()
{
#ifdef Q_OS_WIN
    return GetSystemDefaultLangID();
#else
    return LangIdForLocaleName(QLocale::system().name());
#endif
}

qint16 LanguageOffsetFor(quint16 langId)
{
    return langId == kLangIdChinesePRC ? kChineseOffset : kEnglishOffset;
}

} // namespace plandor
