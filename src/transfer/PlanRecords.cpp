#include "transfer/PlanRecords.h"

#include "rules/FavoritesPanelCheck.h"
#include "rules/PlanSizeLimit.h"

#include <algorithm>

namespace plandor::PlanRecords {

static_assert(kMaxSendChannels == PlanSizeLimit::kMaxChannels);

namespace {

// A text field the link left unset is a null string; the store gets an empty
// text instead, since a null string is a field without a value.
QString storedText(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace

// Position has 8 bits: a row past kMaxSendChannels keeps Position 0, which no
// valid sent record has, so it cannot pose as an earlier channel. The callers
// refuse such a plan before sending it.
LinkRecordArray toSendRecords(const QList<ChannelValues> &rows)
{
    LinkRecordArray records;
    records.lowerBound = 1;
    records.items.reserve(rows.size());
    int position = 0;
    for (const ChannelValues &row : rows) {
        ++position;
        LinkRecord record;
        record.Position = position <= kMaxSendChannels ? quint8(position) : 0;
        record.Type = row.typeText();
        record.Name = row.name;
        record.Freq = float(row.freq.value_or(0.0));
        record.Audio1 = float(row.audio1.value_or(0.0));
        records.items.append(record);
    }
    return records;
}

QList<ChannelValues> fromReceived(const LinkRecordArray &records)
{
    QList<ChannelValues> rows;
    for (int i = records.lowerBound; i <= records.upperBound(); ++i) {
        const LinkRecord &record = records.at(i);
        if (record.Freq == 0.0f)
            break;
        ChannelValues row;
        row.id = i;
        row.name = storedText(record.Name);
        row.setTypeText(storedText(record.Type));
        row.freq = ChannelRules::fromSingle(record.Freq);
        row.audio1 = ChannelRules::fromSingle(record.Audio1);
        rows.append(row);
    }
    return rows;
}

FavoritesRecord toFavorites(const PanelTexts &panel)
{
    FavoritesRecord favorites;
    favorites.Favorite1 = FavoritesPanelCheck::linkFavorite(panel.favorites[0]);
    favorites.Favorite2 = FavoritesPanelCheck::linkFavorite(panel.favorites[1]);
    favorites.Favorite3 = FavoritesPanelCheck::linkFavorite(panel.favorites[2]);
    favorites.Favorite4 = FavoritesPanelCheck::linkFavorite(panel.favorites[3]);
    favorites.Favorite5 = FavoritesPanelCheck::linkFavorite(panel.favorites[4]);
    favorites.Favorite6 = FavoritesPanelCheck::linkFavorite(panel.favorites[5]);
    favorites.Span = FavoritesPanelCheck::linkSpan(panel.span);
    favorites.Unit = panel.unit == QLatin1String("dBmV") ? kUnitDbmV : kUnitDbuV;
    return favorites;
}

PanelTexts fromFavorites(const FavoritesRecord &favorites)
{
    PanelTexts panel;
    const quint8 values[6] = { favorites.Favorite1, favorites.Favorite2, favorites.Favorite3,
        favorites.Favorite4, favorites.Favorite5, favorites.Favorite6 };
    for (int i = 0; i < 6; ++i)
        panel.favorites[i] = QString::number(values[i]);
    panel.span = FavoritesPanelCheck::spanText(favorites.Span);
    if (favorites.Unit == kUnitDbuV)
        panel.unit = QStringLiteral("dBuV");
    else if (favorites.Unit == kUnitDbmV)
        panel.unit = QStringLiteral("dBmV");
    return panel;
}

} // namespace plandor::PlanRecords
