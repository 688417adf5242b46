#include "store/BulkInsert.h"

#include "base/Phrase.h"
#include "store/SqlDialect.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cmath>
#include <memory>

namespace plandor {
namespace {

constexpr Phrase kNotOpen { u"频道表的数据库没有打开。", u"The plan's database is not open." };

sqlite3 *handleOf(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

struct StatementDeleter
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};

int bind(sqlite3_stmt *stmt, int position, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, position);
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        // The engine would keep a NaN as no value at all: refused instead.
        if (!std::isfinite(value.toDouble()))
            return SQLITE_MISMATCH;
        return sqlite3_bind_double(stmt, position, value.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return sqlite3_bind_int64(stmt, position, value.toLongLong());
    default: {
        // Texts go in as texts: the strict table converts or refuses them.
        const QByteArray utf8 = value.toString().toUtf8();
        return sqlite3_bind_text(
            stmt, position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

EngineError errorOf(sqlite3 *handle)
{
    return { sqlite3_extended_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)) };
}

// Prepares sql and runs it once per row, after bindRow(statement, i) bound
// row i; with eachRowFound, a run that touched no row fails as not found.
template <typename BindRow>
std::optional<EngineError> runEach(const QSqlDatabase &db, const QString &sql, qsizetype count,
    BindRow bindRow, bool eachRowFound = false)
{
    sqlite3 *handle = handleOf(db);
    if (!handle)
        return EngineError { SQLITE_MISUSE, kNotOpen.text() };
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &raw, nullptr) != SQLITE_OK)
        return errorOf(handle);
    std::unique_ptr<sqlite3_stmt, StatementDeleter> stmt(raw);
    for (qsizetype i = 0; i < count; ++i) {
        // A value refused while binding leaves no message on the handle.
        if (const int bound = bindRow(stmt.get(), i); bound != SQLITE_OK)
            return EngineError { bound, QString::fromUtf8(sqlite3_errstr(bound)) };
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            return errorOf(handle);
        if (eachRowFound && sqlite3_changes(handle) != 1)
            return EngineError { SQLITE_NOTFOUND, QString() };
        sqlite3_reset(stmt.get());
    }
    return std::nullopt;
}

int bindValues(sqlite3_stmt *stmt, int first, const ChannelValues &values)
{
    int rc = SQLITE_OK;
    for (int c = 0; rc == SQLITE_OK && c < kChannelColumnCount; ++c)
        rc = bind(stmt, first + c, values.value(c));
    return rc;
}

// The one INSERT once per row; rowIdOf(i) is the identity to give row i
// (0: a new one).
template <typename RowIdOf, typename ValuesOf>
std::optional<EngineError> insert(
    const QSqlDatabase &db, qsizetype count, RowIdOf rowIdOf, ValuesOf valuesOf)
{
    return runEach(db, SqlDialect::insertRow(), count, [&](sqlite3_stmt *stmt, qsizetype i) {
        const qint64 rowId = rowIdOf(i);
        const int rc = rowId > 0 ? sqlite3_bind_int64(stmt, 1, rowId) : sqlite3_bind_null(stmt, 1);
        return rc == SQLITE_OK ? bindValues(stmt, 2, valuesOf(i)) : rc;
    });
}

} // namespace

std::optional<EngineError> BulkInsert::appendRows(
    const QSqlDatabase &db, const QList<ChannelValues> &rows)
{
    return insert(
        db, rows.size(), [](qsizetype) { return qint64(0); },
        [&rows](qsizetype i) -> const ChannelValues & { return rows[i]; });
}

std::optional<EngineError> BulkInsert::insertRows(
    const QSqlDatabase &db, const QList<StoredRow> &rows)
{
    return insert(
        db, rows.size(), [&rows](qsizetype i) { return rows[i].rowId; },
        [&rows](qsizetype i) -> const ChannelValues & { return rows[i].values; });
}

std::optional<EngineError> BulkInsert::updateRows(
    const QSqlDatabase &db, const QList<StoredRow> &rows)
{
    const QString sql
        = QStringLiteral("UPDATE %1 SET ID=?, CHName=?, Type=?, Freq=?, Audio1=? WHERE rowid=?")
              .arg(SqlDialect::tableName());
    return runEach(
        db, sql, rows.size(),
        [&rows](sqlite3_stmt *stmt, qsizetype i) {
            const int rc = bindValues(stmt, 1, rows[i].values);
            return rc == SQLITE_OK
                ? sqlite3_bind_int64(stmt, kChannelColumnCount + 1, rows[i].rowId)
                : rc;
        },
        true);
}

std::optional<EngineError> BulkInsert::removeRows(
    const QSqlDatabase &db, const QList<StoredRow> &rows)
{
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(SqlDialect::tableName());
    return runEach(
        db, sql, rows.size(),
        [&rows](
            sqlite3_stmt *stmt, qsizetype i) { return sqlite3_bind_int64(stmt, 1, rows[i].rowId); },
        true);
}

int BulkInsert::lastErrorCode(const QSqlDatabase &db)
{
    sqlite3 *handle = handleOf(db);
    return handle ? sqlite3_extended_errcode(handle) : 0;
}

} // namespace plandor
