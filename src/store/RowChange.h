#pragma once

#include "store/ChannelColumns.h"

#include <QList>

namespace plandor {

// What one change did to the channel table, row by row and by identity: the
// rows it removed and added as they were and are, and the rows it changed
// before and after (same order, same identities). Undo keeps this instead of
// the whole table twice.
struct RowChange
{
    QList<StoredRow> removed;
    QList<StoredRow> added;
    QList<StoredRow> before;
    QList<StoredRow> after;

    bool isEmpty() const { return removed.isEmpty() && added.isEmpty() && before.isEmpty(); }
    // The change that takes the table back.
    RowChange inverse() const { return { added, removed, after, before }; }

    // The change from one table to another, rows matched by identity. Rows
    // in the same place with the same values are not part of it.
    static RowChange between(const QList<StoredRow> &from, const QList<StoredRow> &to);
    // The table with this change made; rows in identity order.
    QList<StoredRow> appliedTo(const QList<StoredRow> &rows) const;
};

} // namespace plandor
