#include "store/RecordOperations.h"

#include "store/StoreTransaction.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <bitset>
#include <limits>
#include <numeric>
#include <vector>

namespace plandor {
namespace {

const char *const kColumns = "ID, CHName, Type, Freq, Audio1";

ChannelValues rowFrom(const QSqlQuery &q, int firstColumn)
{
    ChannelValues v;
    for (int c = 0; c < kChannelColumnCount; ++c)
        v.values[c] = ChannelColumns::fromEngine(c, q.value(firstColumn + c));
    return v;
}

// The order of a renumbering: the caller's clause, then the stored order, so
// that rows the clause does not tell apart (a pasted copy and its source)
// keep their order on every engine run.
QString orderWithTieBreak(const QString &orderClause)
{
    const QString clause = orderClause.trimmed();
    if (clause.isEmpty())
        return QStringLiteral("ORDER BY rowid");
    return clause + QStringLiteral(", rowid");
}

} // namespace

RecordOperations::RecordOperations(const QString &path)
    : m_store(path)
{
    if (!m_store.isOpen())
        m_error = m_store.errorText();
}

bool RecordOperations::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool RecordOperations::failQuery(const QSqlQuery &query)
{
    return fail(query.lastError().text());
}

std::unique_ptr<StoreTransaction> RecordOperations::begin()
{
    auto transaction = m_store.begin();
    if (!transaction)
        fail(m_store.errorText());
    return transaction;
}

bool RecordOperations::commit(StoreTransaction &transaction)
{
    return m_store.commit(transaction) || fail(m_store.errorText());
}

bool RecordOperations::deleteRows(const QList<qint64> &rowIds)
{
    auto transaction = begin();
    if (!transaction)
        return false;
    {
        QSqlQuery q(database());
        if (!q.prepare(QStringLiteral("DELETE FROM ChannelPlanUser WHERE rowid=?")))
            return failQuery(q);
        for (qint64 rowId : rowIds) {
            q.bindValue(0, rowId);
            if (!q.exec())
                return failQuery(q);
        }
    }
    // Numbered again in the same transaction: one commit instead of two, and
    // the caller's Renumber then finds nothing to do.
    if (!renumberRows(QStringLiteral("ORDER BY ID")))
        return false;
    return commit(*transaction);
}

bool RecordOperations::pasteIds(const QList<qint16> &ids)
{
    auto transaction = begin();
    if (!transaction)
        return false;
    QList<ChannelValues> copies;
    {
        // One pass over the table instead of one search per ID: the table has
        // no index on ID.
        const QSet<qint64> wanted(ids.cbegin(), ids.cend());
        QHash<qint64, ChannelValues> firstWithId;
        QSqlQuery q(database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT %1 FROM ChannelPlanUser ORDER BY rowid")
                        .arg(QLatin1String(kColumns))))
            return failQuery(q);
        while (q.next()) {
            if (q.value(0).isNull())
                continue;
            const qint64 id = q.value(0).toLongLong();
            if (wanted.contains(id) && !firstWithId.contains(id))
                firstWithId.insert(id, rowFrom(q, 0));
        }
        if (q.lastError().isValid())
            return failQuery(q);
        copies.reserve(ids.size());
        for (qint16 id : ids) {
            const auto found = firstWithId.constFind(id);
            if (found == firstWithId.cend())
                return fail(QStringLiteral("No channel has the ID %1.").arg(id));
            copies.append(*found);
        }
    }
    // Appended last, each copy comes after its source among rows of equal ID.
    if (!appendRows(copies) || !renumberRows(QStringLiteral("ORDER BY ID")))
        return false;
    return commit(*transaction);
}

bool RecordOperations::renumber(const QString &orderClause)
{
    auto transaction = begin();
    if (!transaction)
        return false;
    bool numbered = false;
    if (!isNumbered(orderClause, numbered))
        return false;
    if (numbered)
        return true; // nothing to write; the read-only transaction is dropped
    if (!renumberRows(orderClause))
        return false;
    return commit(*transaction);
}

bool RecordOperations::isNumbered(const QString &orderClause, bool &numbered)
{
    // Numbered already when, in the clause's order, the rows carry 1..n and
    // come in their stored order. One sorted read, left at the first miss.
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT ID, rowid FROM ChannelPlanUser %1")
                    .arg(orderWithTieBreak(orderClause))))
        return failQuery(q);
    numbered = true;
    qint64 expected = 1;
    qint64 lastRowId = std::numeric_limits<qint64>::min();
    while (numbered && q.next()) {
        const qint64 rowId = q.value(1).toLongLong();
        numbered = !q.value(0).isNull() && q.value(0).toLongLong() == expected && rowId > lastRowId;
        lastRowId = rowId;
        ++expected;
    }
    if (q.lastError().isValid())
        return failQuery(q);
    return true;
}

bool RecordOperations::renumberRows(const QString &orderClause)
{
    // The rows are written again in their new order, then the old ones go:
    // afterwards the table's stored order is the new ID order, which the
    // grid shows when it asks for no order (after a paste) and Save writes.
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT max(rowid) FROM ChannelPlanUser")) || !q.next())
        return failQuery(q);
    if (q.value(0).isNull())
        return true; // an empty table has nothing to number
    const qint64 lastOld = q.value(0).toLongLong();
    q.finish();
    const QString order = orderWithTieBreak(orderClause);
    if (!q.prepare(QStringLiteral("INSERT INTO ChannelPlanUser (%1) SELECT row_number() OVER "
                                  "(%2), CHName, Type, Freq, Audio1 FROM ChannelPlanUser WHERE "
                                  "rowid<=? %2")
                       .arg(QLatin1String(kColumns), order)))
        return failQuery(q);
    q.bindValue(0, lastOld);
    if (!q.exec())
        return failQuery(q);
    if (!q.prepare(QStringLiteral("DELETE FROM ChannelPlanUser WHERE rowid<=?")))
        return failQuery(q);
    q.bindValue(0, lastOld);
    if (!q.exec())
        return failQuery(q);
    return true;
}

bool RecordOperations::appendRows(const QList<ChannelValues> &rows)
{
    return m_store.append(rows) || fail(m_store.errorText());
}

bool RecordOperations::highestFreeName(int &name)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT DISTINCT ID FROM ChannelPlanUser WHERE ID BETWEEN 1 "
                                  "AND ?")))
        return failQuery(q);
    q.bindValue(0, kMaxInsertName);
    if (!q.exec())
        return failQuery(q);
    std::bitset<kMaxInsertName + 1> taken;
    while (q.next())
        taken.set(size_t(q.value(0).toLongLong()));
    if (q.lastError().isValid())
        return failQuery(q);
    name = 0;
    for (int k = kMaxInsertName; k >= 1; --k) {
        if (!taken.test(size_t(k))) {
            name = k;
            break;
        }
    }
    return true;
}

bool RecordOperations::shiftAndInsert(qint32 position, const QString &name)
{
    QSqlQuery q(database());
    if (!q.prepare(QStringLiteral("UPDATE ChannelPlanUser SET ID=ID+1 WHERE ID>=?")))
        return failQuery(q);
    q.bindValue(0, position);
    if (!q.exec())
        return failQuery(q);
    ChannelValues channel;
    channel.values[ColumnId] = qint64(position);
    channel.values[ColumnName] = name;
    channel.values[ColumnType] = QStringLiteral("TV");
    channel.values[ColumnFreq] = 46.0;
    channel.values[ColumnAudio1] = 4.5;
    return appendRows({ channel }) && renumberRows(QStringLiteral("ORDER BY ID"));
}

RecordOperations::InsertResult RecordOperations::insertAt(qint32 position, QString *name)
{
    auto transaction = begin();
    if (!transaction)
        return InsertResult::Failed;
    int free = 0;
    if (!highestFreeName(free))
        return InsertResult::Failed;
    if (free == 0)
        return InsertResult::Full;
    const QString text = QString::number(free);
    if (!shiftAndInsert(position, text) || !commit(*transaction))
        return InsertResult::Failed;
    if (name)
        *name = text;
    return InsertResult::Inserted;
}

bool RecordOperations::insertNamed(qint32 position, const QString &name)
{
    auto transaction = begin();
    if (!transaction || !shiftAndInsert(position, name))
        return false;
    return commit(*transaction);
}

bool RecordOperations::replacePlan(const QList<ChannelValues> &rows)
{
    // Numbered here rather than by a second pass in the engine: a stable sort
    // by ID with rows without an ID first, as the engine orders them.
    std::vector<std::pair<bool, qint64>> keys;
    keys.reserve(size_t(rows.size()));
    for (const ChannelValues &row : rows) {
        const QVariant &id = row.values[ColumnId];
        keys.emplace_back(!id.isNull(), id.isNull() ? 0 : id.toLongLong());
    }
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(),
        [&keys](qsizetype a, qsizetype b) { return keys[a] < keys[b]; });

    auto transaction = begin();
    if (!transaction)
        return false;
    QList<ChannelValues> numbered;
    numbered.reserve(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        ChannelValues row = rows[order[i]];
        row.values[ColumnId] = qint64(i + 1);
        numbered.append(std::move(row));
    }
    if (!m_store.execute(QStringLiteral("delete from ChannelPlanUser")))
        return fail(m_store.errorText());
    if (!appendRows(numbered))
        return false;
    return commit(*transaction);
}

bool RecordOperations::readSnapshot(QList<LinkRecord> &snapshot)
{
    if (!isOpen())
        return fail(m_store.errorText());
    QList<LinkRecord> records;
    {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT %1 FROM ChannelPlanUser ORDER BY ID, rowid")
                        .arg(QLatin1String(kColumns))))
            return failQuery(q);
        while (q.next()) {
            LinkRecord record;
            record.Id = qint32(q.value(ColumnId).toLongLong());
            record.Type = q.value(ColumnType).toString();
            record.Freq = float(q.value(ColumnFreq).toDouble());
            record.Audio1 = float(q.value(ColumnAudio1).toDouble());
            record.Name = q.value(ColumnName).toString();
            records.append(std::move(record));
        }
        if (q.lastError().isValid())
            return failQuery(q);
    }
    if (records.isEmpty())
        return fail(QStringLiteral("The plan is empty."));
    snapshot = std::move(records);
    return true;
}

} // namespace plandor
