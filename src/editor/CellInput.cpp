#include "editor/CellInput.h"

#include "store/ChannelColumns.h"

namespace plandor {

CellInput CellInput::fromText(int column, const QString &text)
{
    const bool number = column == ColumnId || column == ColumnFreq || column == ColumnAudio1;
    if (number && text.isEmpty())
        return {}; // a field without a value
    if (const auto converted = ChannelColumns::fromText(column, text))
        return { *converted, QString() };
    return { QVariant(), text.isNull() ? QString(QLatin1String("")) : text };
}

CellInput CellInput::of(int column, const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QString>())
        return fromText(column, value.toString());
    return { value, QString() };
}

} // namespace plandor
