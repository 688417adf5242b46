#pragma once

#include "store/ChannelColumns.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace plandor {

// A failure as the engine reports it: its result code and its words.
struct EngineError
{
    int code = 0;
    QString text;
};

// Writes rows through the engine's own prepared statement, binding each
// value directly; the toolkit's per-value binding costs more than the engine
// itself on large plans. The one place that speaks to the engine's C API.
class BulkInsert
{
public:
    // New rows (the engine gives each a new identity). Nothing when all went
    // in, else the engine's failure; the caller's savepoint undoes the rest.
    static std::optional<EngineError> appendRows(
        const QSqlDatabase &db, const QList<ChannelValues> &rows);
    // Rows put back with the identities they carry.
    static std::optional<EngineError> insertRows(
        const QSqlDatabase &db, const QList<StoredRow> &rows);
    // The rows with these identities take the values they carry, or go. A
    // row that is not there fails with SQLITE_NOTFOUND and no words.
    static std::optional<EngineError> updateRows(
        const QSqlDatabase &db, const QList<StoredRow> &rows);
    static std::optional<EngineError> removeRows(
        const QSqlDatabase &db, const QList<StoredRow> &rows);
    // The engine's result code of the connection's last failed call.
    static int lastErrorCode(const QSqlDatabase &db);
};

} // namespace plandor
