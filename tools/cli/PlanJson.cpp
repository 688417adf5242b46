#include "PlanJson.h"

#include "transfer/PlanRecords.h"

namespace plandor::cli {

namespace {

QJsonValue numberOrNull(const QVariant &value, bool whole)
{
    if (value.isNull())
        return QJsonValue::Null;
    return whole ? QJsonValue(value.toLongLong()) : QJsonValue(value.toDouble());
}

QJsonValue textOrNull(const QVariant &value)
{
    return value.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(value.toString());
}

} // namespace

QJsonObject channelJson(const ChannelValues &row)
{
    return {
        { QStringLiteral("number"), numberOrNull(row.value(ColumnId), true) },
        { QStringLiteral("name"), textOrNull(row.value(ColumnName)) },
        { QStringLiteral("type"), textOrNull(row.value(ColumnType)) },
        { QStringLiteral("frequencyMHz"), numberOrNull(row.value(ColumnFreq), false) },
        { QStringLiteral("audioMHz"), numberOrNull(row.value(ColumnAudio1), false) },
    };
}

QJsonArray channelsJson(const QList<ChannelValues> &rows)
{
    QJsonArray channels;
    for (const ChannelValues &row : rows)
        channels.append(channelJson(row));
    return channels;
}

QJsonValue panelJson(const std::optional<PanelTexts> &panel)
{
    if (!panel)
        return QJsonValue::Null;
    const FavoritesRecord r = PlanRecords::toFavorites(*panel);
    const QJsonValue unit = r.Unit == kUnitDbmV ? QJsonValue(QStringLiteral("dBmV"))
        : r.Unit == kUnitDbuV                   ? QJsonValue(QStringLiteral("dBuV"))
                                                : QJsonValue(QJsonValue::Null);
    return QJsonObject {
        { QStringLiteral("favorites"),
            QJsonArray {
                r.Favorite1, r.Favorite2, r.Favorite3, r.Favorite4, r.Favorite5, r.Favorite6 } },
        { QStringLiteral("unit"), unit },
        { QStringLiteral("bandwidthMHz"), r.Span },
    };
}

} // namespace plandor::cli
