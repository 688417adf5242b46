#include "base/Phrase.h"

#include "base/Language.h"

namespace plandor {

QString Phrase::text() const
{
    return text(LanguageOffset);
}

QString Phrase::text(qint16 languageOffset) const
{
    return QString::fromUtf16(languageOffset == kChineseOffset ? chinese : english);
}

} // namespace plandor
