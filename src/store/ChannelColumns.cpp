#include "store/ChannelColumns.h"

#include "base/NumberText.h"
#include "base/TextCatalogue.h"

#include <cmath>
#include <limits>

namespace plandor {

qint16 ChannelColumns::headingId(int column)
{
    static constexpr qint16 kIds[kChannelColumnCount] = { 45, 47, 50, 51, 52 };
    return column >= 0 && column < kChannelColumnCount ? kIds[column] : 0;
}

QString ChannelColumns::fieldName(int column)
{
    // The grid's heading, so that a message names a field as the user sees it.
    return column >= 0 && column < kChannelColumnCount ? CatalogueText(headingId(column)).trimmed()
                                                       : QString();
}

std::optional<QVariant> ChannelColumns::fromText(int column, const QString &text)
{
    switch (column) {
    case ColumnName:
    case ColumnType:
        return QVariant(text);
    case ColumnId: {
        const auto number = NumberText::parseNumber(text);
        if (!number)
            return std::nullopt;
        const double r = NumberText::roundHalfEven(*number);
        if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return QVariant(qint32(r));
    }
    case ColumnFreq:
    case ColumnAudio1: {
        const auto number = NumberText::parseNumber(text);
        if (!number)
            return std::nullopt;
        return QVariant(*number);
    }
    default:
        return std::nullopt;
    }
}

QVariant ChannelColumns::fromEngine(int column, const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    switch (column) {
    case ColumnId:
        return QVariant(value.toLongLong());
    case ColumnFreq:
    case ColumnAudio1:
        return QVariant(value.toDouble());
    default:
        return QVariant(value.toString());
    }
}

QString ChannelColumns::toText(int column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (column) {
    case ColumnId:
        return QString::number(value.toLongLong());
    case ColumnFreq:
    case ColumnAudio1:
        return NumberText::shortest(value.toDouble());
    default:
        return value.toString();
    }
}

} // namespace plandor
