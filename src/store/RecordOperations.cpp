#include "store/RecordOperations.h"

#include "base/Phrase.h"
#include "store/ChannelStore.h"
#include "store/SqlDialect.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <bitset>
#include <limits>

namespace plandor {
namespace {

constexpr Phrase kNoSuchId { u"没有 ID 为 %1 的频道。", u"No channel has the ID %1." };

QString table()
{
    return SqlDialect::tableName();
}

ChannelValues valuesFrom(const QSqlQuery &q)
{
    ChannelValues v;
    for (int c = 0; c < kChannelColumnCount; ++c)
        v.setValue(c, ChannelColumns::fromEngine(c, q.value(c)));
    return v;
}

} // namespace

RecordOperations::RecordOperations(ChannelStore &store)
    : m_store(store)
{ }

QString RecordOperations::errorText() const
{
    return m_store.errorText();
}

bool RecordOperations::fail(const QString &why)
{
    m_store.m_problem = StoreProblem::Other;
    m_store.m_error = why;
    return false;
}

bool RecordOperations::deleteRows(const QList<qint64> &rowIds)
{
    auto transaction = m_store.begin();
    if (!transaction)
        return false;
    {
        QSqlQuery q(m_store.database());
        if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(table())))
            return m_store.fail(q.lastError());
        for (qint64 rowId : rowIds) {
            q.bindValue(0, rowId);
            if (!q.exec())
                return m_store.fail(q.lastError());
        }
    }
    return renumberRows(PlanOrder::ById) && m_store.commit(*transaction);
}

bool RecordOperations::pasteIds(const QList<qint16> &ids)
{
    auto transaction = m_store.begin();
    if (!transaction)
        return false;
    QList<ChannelValues> copies;
    {
        // One pass over the table instead of one search per ID: the table has
        // no index on ID.
        const QSet<qint64> wanted(ids.cbegin(), ids.cend());
        QHash<qint64, ChannelValues> firstWithId;
        QSqlQuery q(m_store.database());
        q.setForwardOnly(true);
        if (!q.exec(
                QStringLiteral("SELECT %1 FROM %2 %3")
                    .arg(SqlDialect::columns(), table(), SqlDialect::orderBy(PlanOrder::Stored))))
            return m_store.fail(q.lastError());
        while (q.next()) {
            if (q.value(ColumnId).isNull())
                continue;
            const qint64 id = q.value(ColumnId).toLongLong();
            if (wanted.contains(id) && !firstWithId.contains(id))
                firstWithId.insert(id, valuesFrom(q));
        }
        if (q.lastError().isValid())
            return m_store.fail(q.lastError());
        copies.reserve(ids.size());
        for (qint16 id : ids) {
            const auto found = firstWithId.constFind(id);
            if (found == firstWithId.cend())
                return fail(kNoSuchId.text().arg(id));
            copies.append(*found);
        }
    }
    // Appended last, each copy comes after its source among rows of equal ID.
    return m_store.append(copies) && renumberRows(PlanOrder::ById) && m_store.commit(*transaction);
}

bool RecordOperations::renumber(PlanOrder order)
{
    auto transaction = m_store.begin();
    if (!transaction)
        return false;
    bool numbered = false;
    if (!isNumbered(order, numbered))
        return false;
    if (numbered)
        return true; // nothing to write; the unused transaction is rolled back
    return renumberRows(order) && m_store.commit(*transaction);
}

bool RecordOperations::isNumbered(PlanOrder order, bool &numbered)
{
    // Numbered already when, in the order, the rows carry 1..n and come in
    // their stored order. One sorted read, left at the first miss.
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT ID, rowid FROM %1 %2").arg(table(), SqlDialect::orderBy(order))))
        return m_store.fail(q.lastError());
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
        return m_store.fail(q.lastError());
    return true;
}

bool RecordOperations::renumberRows(PlanOrder order)
{
    // The rows are copied in their new order, then the old ones go: afterwards
    // the table's stored order is the new ID order, which the grid shows when
    // it asks for the stored order (after a paste) and Save writes.
    QSqlQuery q(m_store.database());
    if (!q.exec(QStringLiteral("SELECT max(rowid) FROM %1").arg(table())) || !q.next())
        return m_store.fail(q.lastError());
    if (q.value(0).isNull())
        return true; // an empty table has nothing to number
    const qint64 lastOld = q.value(0).toLongLong();
    q.finish();
    const QString orderBy = SqlDialect::orderBy(order);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT row_number() OVER (%3), CHName, "
                                  "Type, Freq, Audio1 FROM %1 WHERE rowid<=? %3")
                       .arg(table(), SqlDialect::columns(), orderBy)))
        return m_store.fail(q.lastError());
    q.bindValue(0, lastOld);
    if (!q.exec())
        return m_store.fail(q.lastError());
    if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid<=?").arg(table())))
        return m_store.fail(q.lastError());
    q.bindValue(0, lastOld);
    return q.exec() || m_store.fail(q.lastError());
}

bool RecordOperations::highestFreeName(int &name)
{
    QSqlQuery q(m_store.database());
    q.setForwardOnly(true);
    if (!q.prepare(
            QStringLiteral("SELECT DISTINCT ID FROM %1 WHERE ID BETWEEN 1 AND ?").arg(table())))
        return m_store.fail(q.lastError());
    q.bindValue(0, kMaxInsertName);
    if (!q.exec())
        return m_store.fail(q.lastError());
    std::bitset<kMaxInsertName + 1> taken;
    while (q.next())
        taken.set(size_t(q.value(0).toLongLong()));
    if (q.lastError().isValid())
        return m_store.fail(q.lastError());
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
    QSqlQuery q(m_store.database());
    if (!q.prepare(QStringLiteral("UPDATE %1 SET ID=ID+1 WHERE ID>=?").arg(table())))
        return m_store.fail(q.lastError());
    q.bindValue(0, position);
    if (!q.exec())
        return m_store.fail(q.lastError());
    ChannelValues channel;
    channel.setValue(ColumnId, qint64(position));
    channel.setValue(ColumnName, name);
    channel.setValue(ColumnType, QStringLiteral("TV"));
    channel.setValue(ColumnFreq, 46.0);
    channel.setValue(ColumnAudio1, 4.5);
    return m_store.append({ channel }) && renumberRows(PlanOrder::ById);
}

RecordOperations::InsertResult RecordOperations::insertAt(qint32 position, QString *name)
{
    auto transaction = m_store.begin();
    if (!transaction)
        return InsertResult::Failed;
    int free = 0;
    if (!highestFreeName(free))
        return InsertResult::Failed;
    if (free == 0)
        return InsertResult::Full;
    const QString text = QString::number(free);
    if (!shiftAndInsert(position, text) || !m_store.commit(*transaction))
        return InsertResult::Failed;
    if (name)
        *name = text;
    return InsertResult::Inserted;
}

bool RecordOperations::insertNamed(qint32 position, const QString &name)
{
    auto transaction = m_store.begin();
    return transaction && shiftAndInsert(position, name) && m_store.commit(*transaction);
}

} // namespace plandor
