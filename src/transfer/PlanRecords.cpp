#include "transfer/PlanRecords.h"

#include "base/NumberText.h"
#include "rules/FavoritesPanelCheck.h"
#include "rules/PlanSizeLimit.h"

#include <algorithm>

namespace plandor::PlanRecords {

static_assert(kMaxSendChannels == PlanSizeLimit::kMaxChannels);

namespace {

// A text field the link left unset is a null string; the store gets an empty
// text instead, since a null string would be bound as a missing value.
QVariant storedText(const QString &text)
{
    return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
}

// The number the float's shortest text names, so that 100.1f is stored as
// 100.1 and not as 100.09999847412109. A non-finite value has no such text
// and is stored as a field without a value.
QVariant storedNumber(int column, float value)
{
    return ChannelColumns::fromText(column, NumberText::shortest(value)).value_or(QVariant());
}

// A box's leading number in an 8-bit field. The panel check refuses anything
// above 250 before a send, so out-of-range values are only clamped here
// (300 gives 255, a negative number 0) rather than wrapped.
quint8 toByte(const QString &text)
{
    const double value = NumberText::roundHalfEven(NumberText::leadingNumber(text));
    return quint8(std::clamp(value, 0.0, 255.0));
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
        record.Type = ChannelColumns::toText(ColumnType, row.values[ColumnType]);
        record.Name = ChannelColumns::toText(ColumnName, row.values[ColumnName]);
        record.Freq = float(row.values[ColumnFreq].toDouble());
        record.Audio1 = float(row.values[ColumnAudio1].toDouble());
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
        row.values[ColumnId] = QVariant(qint32(i));
        row.values[ColumnName] = storedText(record.Name);
        row.values[ColumnType] = storedText(record.Type);
        row.values[ColumnFreq] = storedNumber(ColumnFreq, record.Freq);
        row.values[ColumnAudio1] = storedNumber(ColumnAudio1, record.Audio1);
        rows.append(row);
    }
    return rows;
}

FavoritesRecord toFavorites(const PanelTexts &panel)
{
    FavoritesRecord favorites;
    favorites.Favorite1 = toByte(panel.favorites[0]);
    favorites.Favorite2 = toByte(panel.favorites[1]);
    favorites.Favorite3 = toByte(panel.favorites[2]);
    favorites.Favorite4 = toByte(panel.favorites[3]);
    favorites.Favorite5 = toByte(panel.favorites[4]);
    favorites.Favorite6 = toByte(panel.favorites[5]);
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
    panel.span = NumberText::shortest(double(favorites.Span));
    if (favorites.Unit == kUnitDbuV)
        panel.unit = QStringLiteral("dBuV");
    else if (favorites.Unit == kUnitDbmV)
        panel.unit = QStringLiteral("dBmV");
    return panel;
}

} // namespace plandor::PlanRecords
