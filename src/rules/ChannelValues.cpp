#include "rules/ChannelValues.h"

namespace plandor {
namespace {

// Latin-1 views, not QString objects: rows are made by other files' static
// initialisers, before this file's statics would be constructed.
constexpr QLatin1StringView kTv("TV");
constexpr QLatin1StringView kDigi("DIGI");

template <typename T> QVariant variantOf(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

} // namespace

QString ChannelValues::typeName(ChannelType type)
{
    switch (type) {
    case ChannelType::Tv:
        return QString(kTv);
    case ChannelType::Digi:
        return QString(kDigi);
    case ChannelType::Other:
        break;
    }
    return {};
}

QString ChannelValues::typeText() const
{
    if (!type)
        return {};
    if (*type == ChannelType::Other)
        return otherType.isNull() ? QString(QLatin1String("")) : otherType;
    return typeName(*type);
}

void ChannelValues::setTypeText(const QString &text)
{
    otherType.clear();
    if (text.isNull())
        type.reset();
    else if (text == kTv)
        type = ChannelType::Tv;
    else if (text == kDigi)
        type = ChannelType::Digi;
    else {
        type = ChannelType::Other;
        otherType = text;
    }
}

QVariant ChannelValues::value(int column) const
{
    switch (column) {
    case ColumnId:
        return variantOf(id);
    case ColumnName:
        return name.isNull() ? QVariant() : QVariant(name);
    case ColumnType:
        return type ? QVariant(typeText()) : QVariant();
    case ColumnFreq:
        return variantOf(freq);
    case ColumnAudio1:
        return variantOf(audio1);
    default:
        return {};
    }
}

void ChannelValues::setValue(int column, const QVariant &value)
{
    const bool none = value.isNull();
    switch (column) {
    case ColumnId:
        id = none ? std::nullopt : std::optional<qint64>(value.toLongLong());
        break;
    case ColumnName:
        name = none ? QString() : value.toString();
        // An empty text stays a value, told apart from no value.
        if (!none && name.isNull())
            name = QString(QLatin1String(""));
        break;
    case ColumnType:
        if (value.metaType() == QMetaType::fromType<ChannelType>()) {
            type = value.value<ChannelType>();
            otherType.clear();
            break;
        }
        setTypeText(none ? QString() : value.toString());
        if (!none && !type)
            setTypeText(QString(QLatin1String("")));
        break;
    case ColumnFreq:
        freq = none ? std::nullopt : std::optional<double>(value.toDouble());
        break;
    case ColumnAudio1:
        audio1 = none ? std::nullopt : std::optional<double>(value.toDouble());
        break;
    default:
        break;
    }
}

ChannelFields ChannelValues::fields() const
{
    ChannelFields fields;
    fields.name = name.isNull() ? QString(QLatin1String("")) : name;
    fields.type = type ? typeText() : QString(QLatin1String(""));
    fields.freq = freq;
    fields.audio1 = audio1;
    return fields;
}

} // namespace plandor
