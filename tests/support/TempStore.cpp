#include "TempStore.h"

#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"

#include <QtTest>

namespace plandor::test {

TempStore::TempStore()
    : m_path(m_dir.path() + QStringLiteral("/FileDB2000.db"))
{
    DatabaseLocation::setOverride(m_path);
}

TempStore::~TempStore()
{
    m_store.reset();
    DatabaseLocation::setOverride(QString());
}

ChannelStore &TempStore::store()
{
    if (!m_store) {
        m_store = std::make_unique<ChannelStore>(m_path);
        if (!m_store->isOpen())
            qFatal("opening the store failed: %s", qPrintable(m_store->errorText()));
    }
    return *m_store;
}

void TempStore::seed(const QList<ChannelValues> &rows)
{
    QList<StoredRow> stored;
    for (qsizetype i = 0; i < rows.size(); ++i)
        stored.append({ i + 1, rows[i] });
    if (!store().restore(stored))
        qFatal("seeding the store failed: %s", qPrintable(store().errorText()));
}

QList<ChannelValues> TempStore::rows(PlanOrder order)
{
    QList<StoredRow> stored;
    if (!store().rows(order, stored))
        qFatal("reading the store failed: %s", qPrintable(store().errorText()));
    QList<ChannelValues> result;
    for (const StoredRow &row : stored)
        result.append(row.values);
    return result;
}

ChannelValues TempStore::row(
    qint64 id, const QString &name, const QString &type, double freq, double audio1)
{
    ChannelValues v;
    v.values[ColumnId] = id;
    v.values[ColumnName] = name;
    v.values[ColumnType] = type;
    v.values[ColumnFreq] = freq;
    v.values[ColumnAudio1] = audio1;
    return v;
}

} // namespace plandor::test
