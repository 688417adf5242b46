#pragma once

#include "store/ChannelColumns.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"
#include "transfer/LinkRecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;

namespace plandor {

class StoreTransaction;

// The changes that add, remove and renumber rows of the channel table. Like
// ChannelStore, one object per operation with its own connection; every
// public operation is one transaction (taken whole or not at all) and binds
// every value as a parameter. Failures return false with the engine's reason
// in errorText().
class RecordOperations
{
public:
    // A plan never grows beyond this many channels through Insert.
    static constexpr int kMaxInsertName = 250;

    explicit RecordOperations(const QString &path = DatabaseLocation::path());

    bool isOpen() const { return m_store.isOpen(); }
    QString errorText() const { return m_error; }
    // The operation's connection, for engine settings a test wants to change.
    QSqlDatabase database() const { return m_store.database(); }

    // Removes the rows with these identities (the store's row ids), then
    // renumbers 1..n in ID order: all of it or, when any statement fails,
    // nothing.
    bool deleteRows(const QList<qint64> &rowIds);

    // Appends a copy of the first row that carries each ID, in list order,
    // then renumbers 1..n in ID order with each copy right after its source.
    // An ID that no row carries refuses the whole paste.
    bool pasteIds(const QList<qint16> &ids);

    // Rewrites ID as 1..n in the order of the clause ("ORDER BY ID",
    // "ORDER BY Freq"); rows the clause does not tell apart keep their stored
    // order. Afterwards the table yields its rows in the new ID order. A plan
    // numbered so already is left as it is, without a write.
    bool renumber(const QString &orderClause);

    enum class InsertResult { Inserted, Full, Failed };
    // A new channel (TV, 46 MHz, 4.5 MHz) at position: the rows from position
    // on move up by one, its name is the highest number from 250 down to 1
    // that no row has as ID, then the plan is renumbered in ID order. Full
    // when every ID 1..250 is taken (nothing changes). name receives the name.
    InsertResult insertAt(qint32 position, QString *name = nullptr);
    // The same with a given name and no search.
    bool insertNamed(qint32 position, const QString &name);

    // Empties the table and appends rows, numbered 1..n in their ID order
    // (rows with equal IDs keep their order).
    bool replacePlan(const QList<ChannelValues> &rows);

    // The plan in ID order as link records (Id, Type, Freq, Name, Audio1; the
    // other fields zero). An empty table fails and leaves snapshot as it was.
    bool readSnapshot(QList<LinkRecord> &snapshot);

private:
    bool fail(const QString &error);
    bool failQuery(const QSqlQuery &query);
    std::unique_ptr<StoreTransaction> begin();
    bool commit(StoreTransaction &transaction);
    // Steps that run inside the caller's transaction.
    bool renumberRows(const QString &orderClause);
    bool isNumbered(const QString &orderClause, bool &numbered);
    bool appendRows(const QList<ChannelValues> &rows);
    bool shiftAndInsert(qint32 position, const QString &name);
    // 0 when every number 1..250 is some row's ID.
    bool highestFreeName(int &name);

    ChannelStore m_store;
    QString m_error;
};

} // namespace plandor
