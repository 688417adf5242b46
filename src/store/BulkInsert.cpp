#include "store/BulkInsert.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <memory>

namespace plandor {
namespace {

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
        return sqlite3_bind_text(stmt, position, utf8.constData(), int(utf8.size()),
                                 SQLITE_TRANSIENT);
    }
    }
}

} // namespace

bool BulkInsert::supports(const QSqlDatabase &db)
{
    return handleOf(db) != nullptr;
}

std::optional<QString> BulkInsert::appendRows(const QSqlDatabase &db,
                                              const QList<ChannelValues> &rows)
{
    sqlite3 *handle = handleOf(db);
    if (!handle)
        return QStringLiteral("unsupported connection");
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(handle,
                           "INSERT INTO ChannelPlanUser (ID, CHName, Type, Freq, Audio1) "
                           "VALUES (?, ?, ?, ?, ?)",
                           -1, &raw, nullptr)
        != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(handle));
    std::unique_ptr<sqlite3_stmt, StatementDeleter> stmt(raw);
    for (const ChannelValues &row : rows) {
        for (int c = 0; c < kChannelColumnCount; ++c) {
            if (bind(stmt.get(), c + 1, row.values[c]) != SQLITE_OK)
                return QString::fromUtf8(sqlite3_errmsg(handle));
        }
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            return QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_reset(stmt.get());
        sqlite3_clear_bindings(stmt.get());
    }
    return std::nullopt;
}

} // namespace plandor
