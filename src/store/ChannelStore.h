#pragma once

#include "store/ChannelColumns.h"
#include "store/DatabaseLocation.h"
#include "store/StoreConnection.h"
#include "store/StoreTransaction.h"

#include <QList>
#include <QString>

#include <memory>

namespace plandor {

// A row of the channel table with its identity, which stays the same when the
// row's ID is edited or duplicated.
struct StoredRow
{
    qint64 rowId = 0;
    ChannelValues values;
};

// The channel table for the length of one operation: each operation makes
// one ChannelStore, which opens its own connection and closes it when it goes.
// Every failure is returned as false, with the engine's reason in errorText().
class ChannelStore
{
public:
    explicit ChannelStore(const QString &path = DatabaseLocation::path());

    bool isOpen() const { return m_connection.isOpen(); }
    QString errorText() const { return m_error; }
    // The operation's connection, for statements of the store's own modules.
    QSqlDatabase database() const { return m_connection.database(); }

    // The rows a SELECT text (or the table opened by name) yields, in order.
    bool select(const QString &statement, QList<StoredRow> &rows);
    // One statement without a result (DELETE, UPDATE), in the plan's dialect.
    bool execute(const QString &statement);
    // Rows appended, their values bound as parameters; all of them or none.
    bool append(const QList<ChannelValues> &rows);
    bool update(qint64 rowId, const ChannelValues &values);
    // How many rows the table holds; -1 on failure.
    int rowCount();

    // Starts the operation's transaction; null (with errorText) when the file
    // is locked or unusable. Whatever the operation did is undone unless the
    // transaction is committed.
    std::unique_ptr<StoreTransaction> begin();
    bool commit(StoreTransaction &transaction);

    // Empties the table and appends rows, all or nothing.
    bool replaceAll(const QList<ChannelValues> &rows);

private:
    bool fail(const QString &error);

    StoreConnection m_connection;
    QString m_error;
};

} // namespace plandor
