#include "store/ChannelStore.h"

#include "base/LogCategories.h"

#include "base/Phrase.h"
#include "store/BulkInsert.h"
#include "store/SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace plandor {
namespace {

constexpr Phrase kRowGone { u"该频道已不在数据库中。",
    u"The channel is no longer in the database." };

// The rows numbered 1..n in their ID order: a stable sort by ID with rows
// without an ID first, as the engine orders them.
QList<ChannelValues> numberedById(const QList<ChannelValues> &rows)
{
    std::vector<std::pair<bool, qint64>> keys;
    keys.reserve(size_t(rows.size()));
    for (const ChannelValues &row : rows) {
        const QVariant &id = row.value(ColumnId);
        keys.emplace_back(!id.isNull(), id.isNull() ? 0 : id.toLongLong());
    }
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(),
        [&keys](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
    QList<ChannelValues> numbered;
    numbered.reserve(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        ChannelValues row = rows[order[i]];
        row.setValue(ColumnId, qint64(i + 1));
        numbered.append(std::move(row));
    }
    return numbered;
}

} // namespace

ChannelStore::ChannelStore(const QString &path)
    : m_connection(path)
{
    if (!m_connection.isOpen()) {
        m_problem = m_connection.problem();
        m_error = m_connection.errorText();
    }
    qCDebug(plandorStore).noquote() << "opened" << path << (m_error.isEmpty() ? "" : m_error);
}

QString ChannelStore::movedAsideText() const
{
    const auto movedTo = movedAsideTo();
    return movedTo ? StoreProblems::movedAsideMessage(path(), *movedTo) : QString();
}

void ChannelStore::clearError()
{
    m_problem = StoreProblem::None;
    m_error.clear();
}

bool ChannelStore::fail(const QSqlError &error)
{
    bool ok = false;
    int code = error.nativeErrorCode().toInt(&ok);
    if (!ok || code == 0)
        code = BulkInsert::lastErrorCode(database());
    return fail(code == 0 ? SQLITE_ERROR : code, error.text());
}

bool ChannelStore::fail(int engineCode, const QString &engineText)
{
    m_problem = StoreProblems::fromEngineCode(engineCode);
    if (m_problem == StoreProblem::None)
        m_problem = StoreProblem::Other;
    m_error = StoreProblems::message(m_problem, path(), engineText);
    return false;
}

bool ChannelStore::failNotOpen()
{
    m_problem = m_connection.problem();
    m_error = m_connection.errorText();
    return false;
}

std::unique_ptr<StoreTransaction> ChannelStore::begin()
{
    clearError();
    if (!isOpen()) {
        failNotOpen();
        return nullptr;
    }
    auto transaction = std::make_unique<StoreTransaction>(database());
    if (!transaction->isActive()) {
        fail(transaction->error());
        return nullptr;
    }
    return transaction;
}

bool ChannelStore::commit(StoreTransaction &transaction)
{
    return transaction.commit() || fail(transaction.error());
}

bool ChannelStore::readRows(const QString &sql, QList<StoredRow> &out)
{
    clearError();
    if (!isOpen())
        return failNotOpen();
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        return fail(q.lastError());
    QList<StoredRow> result;
    while (q.next()) {
        StoredRow row;
        row.rowId = q.value(0).toLongLong();
        for (int c = 0; c < kChannelColumnCount; ++c)
            row.values.setValue(c, ChannelColumns::fromEngine(c, q.value(c + 1)));
        result.append(std::move(row));
    }
    if (q.lastError().isValid())
        return fail(q.lastError());
    out = std::move(result);
    return true;
}

bool ChannelStore::rows(PlanOrder order, QList<StoredRow> &out)
{
    return readRows(
        QStringLiteral("SELECT rowid, %1 FROM %2 %3")
            .arg(SqlDialect::columns(), SqlDialect::tableName(), SqlDialect::orderBy(order)),
        out);
}

std::optional<StoredRow> ChannelStore::row(qint64 rowId)
{
    QList<StoredRow> found;
    if (!readRows(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid=%3")
                      .arg(SqlDialect::columns(), SqlDialect::tableName())
                      .arg(rowId),
            found)
        || found.isEmpty())
        return std::nullopt;
    return found.constFirst();
}

bool ChannelStore::update(qint64 rowId, const ChannelValues &values)
{
    clearError();
    if (!isOpen())
        return failNotOpen();
    return updateEach({ StoredRow { rowId, values } });
}

bool ChannelStore::updateEach(const QList<StoredRow> &rows)
{
    return written(BulkInsert::updateRows(database(), rows));
}

bool ChannelStore::written(const std::optional<EngineError> &error)
{
    if (!error)
        return true;
    return fail(error->code, error->code == SQLITE_NOTFOUND ? kRowGone.text() : error->text);
}

bool ChannelStore::removeEach(const QList<StoredRow> &rows)
{
    return written(BulkInsert::removeRows(database(), rows));
}

bool ChannelStore::apply(const RowChange &change)
{
    clearError();
    if (!isOpen())
        return failNotOpen();
    // Every row of the table removed: one statement instead of one per row.
    const bool everyRow = !change.removed.isEmpty() && change.before.isEmpty()
        && change.removed.size() == rowCount();
    auto transaction = begin();
    return transaction && (everyRow ? clear() : removeEach(change.removed))
        && updateEach(change.after) && (change.added.isEmpty() || insert(change.added))
        && commit(*transaction);
}

int ChannelStore::rowCount()
{
    clearError();
    if (!isOpen())
        return failNotOpen(), -1;
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(SqlDialect::tableName()))
        || !q.next())
        return fail(q.lastError()), -1;
    return q.value(0).toInt();
}

bool ChannelStore::clear()
{
    QSqlQuery q(database());
    return q.exec(QStringLiteral("DELETE FROM %1").arg(SqlDialect::tableName()))
        || fail(q.lastError());
}

bool ChannelStore::append(const QList<ChannelValues> &rows)
{
    const auto error = BulkInsert::appendRows(database(), rows);
    return !error || fail(error->code, error->text);
}

bool ChannelStore::insert(const QList<StoredRow> &rows)
{
    return written(BulkInsert::insertRows(database(), rows));
}

bool ChannelStore::replacePlan(const QList<ChannelValues> &rows)
{
    auto transaction = begin();
    return transaction && clear() && append(numberedById(rows)) && commit(*transaction);
}

std::optional<QList<StoredRow>> ChannelStore::snapshot()
{
    QList<StoredRow> all;
    if (!rows(PlanOrder::Stored, all))
        return std::nullopt;
    return all;
}

bool ChannelStore::restore(const QList<StoredRow> &rows)
{
    auto transaction = begin();
    return transaction && clear() && insert(rows) && commit(*transaction);
}

namespace {

// The names under which the details are kept, each with its text.
QList<std::pair<QString, QString *>> detailFields(PlanDetails &d)
{
    QList<std::pair<QString, QString *>> fields;
    for (int slot = 0; slot < 6; ++slot)
        fields.append({ QStringLiteral("favorite%1").arg(slot + 1), &d.panel.favorites[slot] });
    fields.append({ QStringLiteral("unit"), &d.panel.unit });
    fields.append({ QStringLiteral("span"), &d.panel.span });
    fields.append({ QStringLiteral("caption"), &d.caption });
    return fields;
}

} // namespace

std::optional<PlanDetails> ChannelStore::details()
{
    clearError();
    if (!isOpen())
        return failNotOpen(), std::nullopt;
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT Name, Value FROM %1").arg(SqlDialect::detailsTableName())))
        return fail(q.lastError()), std::nullopt;
    PlanDetails d;
    const auto fields = detailFields(d);
    while (q.next()) {
        const QString name = q.value(0).toString();
        for (const auto &[fieldName, text] : fields) {
            if (fieldName == name)
                *text = q.value(1).toString();
        }
    }
    return d;
}

bool ChannelStore::keepDetails(const PlanDetails &details)
{
    auto transaction = begin();
    if (!transaction)
        return false;
    QSqlQuery q(database());
    if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO %1 (Name, Value) VALUES (?, ?)")
                       .arg(SqlDialect::detailsTableName())))
        return fail(q.lastError());
    PlanDetails copy = details;
    for (const auto &[name, text] : detailFields(copy)) {
        q.bindValue(0, name);
        q.bindValue(1, *text);
        if (!q.exec())
            return fail(q.lastError());
    }
    return commit(*transaction);
}

} // namespace plandor
