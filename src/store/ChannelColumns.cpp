#include "store/ChannelColumns.h"

#include "base/NumberText.h"

#include <cmath>
#include <limits>

namespace plandor {

QString ChannelColumns::fieldName(int column)
{
    switch (column) {
    case ColumnId:
        return QStringLiteral("ID");
    case ColumnName:
        return QStringLiteral("CHName");
    case ColumnType:
        return QStringLiteral("Type");
    case ColumnFreq:
        return QStringLiteral("Freq");
    case ColumnAudio1:
        return QStringLiteral("Audio1");
    default:
        return {};
    }
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
