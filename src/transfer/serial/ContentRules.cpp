#include "transfer/serial/ContentRules.h"

#include <algorithm>
#include <cmath>

namespace plandor::ContentRules {

namespace {

// The instrument's own limits of what it can tune and show.
constexpr float kLowestFreq = 5.0f;
constexpr float kHighestFreq = 1000.0f;
constexpr float kHighestAudio = 10.0f;
constexpr int kHighestFavorite = 250;
constexpr int kHighestSpan = 10;

bool nameCharacterAllowed(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFE);
}

} // namespace

std::optional<QString> refuseRecord(const LinkRecord &r, int index)
{
    const QString where = QStringLiteral("channel %1: ").arg(index + 1);
    if (r.Position != index + 1)
        return where + QStringLiteral("position");
    if (r.Type != QLatin1String("TV") && r.Type != QLatin1String("DIGI"))
        return where + QStringLiteral("type");
    if (r.Name.isEmpty() || r.Name.size() > 3
        || !std::all_of(r.Name.begin(), r.Name.end(), nameCharacterAllowed))
        return where + QStringLiteral("name");
    if (!std::isfinite(r.Freq) || r.Freq < kLowestFreq || r.Freq > kHighestFreq)
        return where + QStringLiteral("frequency");
    if (!std::isfinite(r.Audio1) || r.Audio1 < 0.0f || r.Audio1 > kHighestAudio)
        return where + QStringLiteral("audio/bandwidth");
    return std::nullopt;
}

std::optional<QString> refusePanel(const FavoritesRecord &f)
{
    for (quint8 id :
        { f.Favorite1, f.Favorite2, f.Favorite3, f.Favorite4, f.Favorite5, f.Favorite6 })
        if (id > kHighestFavorite)
            return QStringLiteral("favourite above 250");
    if (f.Span < 0 || f.Span > kHighestSpan)
        return QStringLiteral("span");
    if (f.Unit != kUnitDbuV && f.Unit != kUnitDbmV)
        return QStringLiteral("unit");
    if (f.Filler != 0)
        return QStringLiteral("filler");
    return std::nullopt;
}

} // namespace plandor::ContentRules
