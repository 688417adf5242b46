#include "store/RowChecks.h"

namespace plandor::RowChecks {
namespace {

std::optional<double> number(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

} // namespace

ChannelFields fieldsOf(const ChannelValues &row)
{
    ChannelFields fields;
    fields.name = ChannelColumns::toText(ColumnName, row.values[ColumnName]);
    fields.type = ChannelColumns::toText(ColumnType, row.values[ColumnType]);
    fields.freq = number(row.values[ColumnFreq]);
    fields.audio1 = number(row.values[ColumnAudio1]);
    return fields;
}

QList<RowRefusal> check(const QList<ChannelValues> &rows)
{
    QList<ChannelFields> fields;
    fields.reserve(rows.size());
    for (const ChannelValues &row : rows)
        fields.append(fieldsOf(row));
    return ChannelRules::checkPlan(fields);
}

} // namespace plandor::RowChecks
