#include "store/RowChecks.h"

namespace plandor::RowChecks {
QList<RowRefusal> check(const QList<ChannelValues> &rows)
{
    QList<ChannelFields> fields;
    fields.reserve(rows.size());
    for (const ChannelValues &row : rows)
        fields.append(row.fields());
    return ChannelRules::checkPlan(fields);
}

} // namespace plandor::RowChecks
