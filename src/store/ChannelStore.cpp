#include "store/ChannelStore.h"

#include "store/BulkInsert.h"
#include "store/SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace plandor {
namespace {

QVariant boundValue(int column, const QVariant &value)
{
    if (value.isValid() && !value.isNull())
        return value;
    switch (column) {
    case ColumnId:
        return QVariant(QMetaType::fromType<qint64>());
    case ColumnFreq:
    case ColumnAudio1:
        return QVariant(QMetaType::fromType<double>());
    default:
        return QVariant(QMetaType::fromType<QString>());
    }
}

// Values are bound by name: the driver's binding by position makes up a
// placeholder name for every value bound, which costs more than the engine's
// own work of inserting the row.
const QString *placeholders()
{
    static const QString names[kChannelColumnCount]
        = { QStringLiteral(":c0"), QStringLiteral(":c1"), QStringLiteral(":c2"),
              QStringLiteral(":c3"), QStringLiteral(":c4") };
    return names;
}

} // namespace

ChannelStore::ChannelStore(const QString &path)
    : m_connection(path)
{
    if (!m_connection.isOpen())
        m_error = m_connection.errorText();
}

bool ChannelStore::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool ChannelStore::select(const QString &statement, QList<StoredRow> &rows)
{
    if (!isOpen())
        return fail(m_connection.errorText());
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    if (!q.exec(SqlDialect::selectWithRowId(statement)))
        return fail(q.lastError().text());
    const QSqlRecord record = q.record();
    int fieldIndex[kChannelColumnCount];
    for (int c = 0; c < kChannelColumnCount; ++c) {
        // Columns are found by field name, so a query's column order does not matter.
        fieldIndex[c] = record.indexOf(ChannelColumns::fieldName(c));
    }
    const int rowIdIndex = record.indexOf(QStringLiteral("rowid"));
    QList<StoredRow> result;
    while (q.next()) {
        StoredRow row;
        row.rowId = rowIdIndex >= 0 ? q.value(rowIdIndex).toLongLong() : 0;
        for (int c = 0; c < kChannelColumnCount; ++c) {
            if (fieldIndex[c] >= 0)
                row.values.values[c] = ChannelColumns::fromEngine(c, q.value(fieldIndex[c]));
        }
        result.append(std::move(row));
    }
    if (q.lastError().isValid())
        return fail(q.lastError().text());
    rows = std::move(result);
    return true;
}

bool ChannelStore::execute(const QString &statement)
{
    if (!isOpen())
        return fail(m_connection.errorText());
    QSqlQuery q(m_connection.database());
    if (!q.exec(SqlDialect::translate(statement)))
        return fail(q.lastError().text());
    return true;
}

bool ChannelStore::append(const QList<ChannelValues> &rows)
{
    if (!isOpen())
        return fail(m_connection.errorText());
    // A savepoint makes the rows go in whole or not at all, inside the
    // operation's transaction or on their own (then as one commit, not one per row).
    QSqlQuery savepoint(m_connection.database());
    if (!savepoint.exec(QStringLiteral("SAVEPOINT append_rows")))
        return fail(savepoint.lastError().text());
    QString error;
    if (BulkInsert::supports(m_connection.database())) {
        error = BulkInsert::appendRows(m_connection.database(), rows).value_or(QString());
    } else {
        QSqlQuery q(m_connection.database());
        if (!q.prepare(QStringLiteral("INSERT INTO ChannelPlanUser (ID, CHName, Type, Freq, "
                                      "Audio1) VALUES (:c0, :c1, :c2, :c3, :c4)")))
            error = q.lastError().text();
        const QString *names = placeholders();
        for (qsizetype i = 0; error.isEmpty() && i < rows.size(); ++i) {
            for (int c = 0; c < kChannelColumnCount; ++c)
                q.bindValue(names[c], boundValue(c, rows[i].values[c]));
            if (!q.exec())
                error = q.lastError().text();
        }
    }
    if (error.isEmpty() && savepoint.exec(QStringLiteral("RELEASE append_rows")))
        return true;
    if (error.isEmpty())
        error = savepoint.lastError().text();
    savepoint.exec(QStringLiteral("ROLLBACK TO append_rows"));
    savepoint.exec(QStringLiteral("RELEASE append_rows"));
    return fail(error);
}

bool ChannelStore::update(qint64 rowId, const ChannelValues &values)
{
    if (!isOpen())
        return fail(m_connection.errorText());
    QSqlQuery q(m_connection.database());
    if (!q.prepare(QStringLiteral("UPDATE ChannelPlanUser SET ID=:c0, CHName=:c1, Type=:c2, "
                                  "Freq=:c3, Audio1=:c4 WHERE rowid=:rowid")))
        return fail(q.lastError().text());
    const QString *names = placeholders();
    for (int c = 0; c < kChannelColumnCount; ++c)
        q.bindValue(names[c], boundValue(c, values.values[c]));
    q.bindValue(QStringLiteral(":rowid"), rowId);
    if (!q.exec())
        return fail(q.lastError().text());
    return true;
}

int ChannelStore::rowCount()
{
    if (!isOpen()) {
        fail(m_connection.errorText());
        return -1;
    }
    QSqlQuery q(m_connection.database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM ChannelPlanUser")) || !q.next()) {
        fail(q.lastError().text());
        return -1;
    }
    return q.value(0).toInt();
}

std::unique_ptr<StoreTransaction> ChannelStore::begin()
{
    if (!isOpen()) {
        fail(m_connection.errorText());
        return nullptr;
    }
    auto transaction = std::make_unique<StoreTransaction>(m_connection.database());
    if (!transaction->isActive()) {
        fail(transaction->errorText());
        return nullptr;
    }
    return transaction;
}

bool ChannelStore::commit(StoreTransaction &transaction)
{
    if (!transaction.commit())
        return fail(transaction.errorText());
    return true;
}

bool ChannelStore::replaceAll(const QList<ChannelValues> &rows)
{
    auto transaction = begin();
    if (!transaction)
        return false;
    if (!execute(QStringLiteral("delete * from ChannelPlanUser")) || !append(rows))
        return false;
    return commit(*transaction);
}

} // namespace plandor
