#include "store/RowChange.h"

#include <QHash>

#include <algorithm>

namespace plandor {

RowChange RowChange::between(const QList<StoredRow> &from, const QList<StoredRow> &to)
{
    QHash<qint64, qsizetype> indexOf;
    indexOf.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i)
        indexOf.insert(from[i].rowId, i);
    RowChange change;
    QList<bool> kept(from.size(), false);
    for (const StoredRow &row : to) {
        const auto it = indexOf.constFind(row.rowId);
        if (it == indexOf.cend()) {
            change.added.append(row);
            continue;
        }
        kept[*it] = true;
        if (from[*it].values == row.values)
            continue;
        change.before.append(from[*it]);
        change.after.append(row);
    }
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (!kept[i])
            change.removed.append(from[i]);
    }
    return change;
}

QList<StoredRow> RowChange::appliedTo(const QList<StoredRow> &rows) const
{
    QHash<qint64, const StoredRow *> replaced;
    replaced.reserve(after.size() + removed.size());
    for (const StoredRow &row : after)
        replaced.insert(row.rowId, &row);
    for (const StoredRow &row : removed)
        replaced.insert(row.rowId, nullptr);
    QList<StoredRow> result;
    result.reserve(rows.size() + added.size());
    for (const StoredRow &row : rows) {
        const auto it = replaced.constFind(row.rowId);
        if (it == replaced.cend())
            result.append(row);
        else if (*it)
            result.append(**it);
    }
    if (!added.isEmpty()) {
        result.append(added);
        // The table yields its rows in identity order; so does this list.
        std::stable_sort(result.begin(), result.end(),
            [](const StoredRow &a, const StoredRow &b) { return a.rowId < b.rowId; });
    }
    return result;
}

} // namespace plandor
