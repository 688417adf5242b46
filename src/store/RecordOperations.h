#pragma once

#include "store/ChannelColumns.h"
#include "store/PlanOrder.h"

#include <QList>
#include <QString>

namespace plandor {

class ChannelStore;

// The changes that add, remove and renumber rows of the channel table, on the
// store's shared connection. Every operation is one transaction, taken whole
// or not at all, and leaves the IDs numbered 1..n; afterwards the table's
// stored order is the ID order, and the rows carry new identities. Failures
// return false with the store's errorText() and problem().
class RecordOperations
{
public:
    // A plan never grows beyond this many channels through Insert.
    static constexpr int kMaxInsertName = 250;

    explicit RecordOperations(ChannelStore &store);

    QString errorText() const;

    // Removes the rows with these identities, then renumbers in ID order.
    bool deleteRows(const QList<qint64> &rowIds);

    // Appends a copy of the first row that carries each ID, in list order,
    // then renumbers in ID order with each copy right after its source. An ID
    // that no row carries refuses the whole paste.
    bool pasteIds(const QList<qint16> &ids);

    // Rewrites ID as 1..n in the given order; rows the order does not tell
    // apart keep their stored order. A plan numbered so already is left as it
    // is, without a write.
    bool renumber(PlanOrder order);

    enum class InsertResult { Inserted, Full, Failed };
    // A new channel (TV, 46 MHz, 4.5 MHz) at position: the rows from position
    // on move up by one, its name is the highest number from 250 down to 1
    // that no row has as ID, then the plan is renumbered in ID order. Full
    // when every ID 1..250 is taken (nothing changes). name receives the name.
    InsertResult insertAt(qint32 position, QString *name = nullptr);
    // The same with a given name and no search.
    bool insertNamed(qint32 position, const QString &name);

private:
    bool fail(const QString &why);
    // Steps inside the caller's transaction.
    bool renumberRows(PlanOrder order);
    bool isNumbered(PlanOrder order, bool &numbered);
    bool shiftAndInsert(qint32 position, const QString &name);
    // 0 when every number 1..250 is some row's ID.
    bool highestFreeName(int &name);

    ChannelStore &m_store;
};

} // namespace plandor
