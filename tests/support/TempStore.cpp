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
    DatabaseLocation::setOverride(QString());
}

void TempStore::seed(const QList<ChannelValues> &rows)
{
    ChannelStore store(m_path);
    if (!store.replaceAll(rows))
        qFatal("seeding the store failed: %s", qPrintable(store.errorText()));
}

QList<ChannelValues> TempStore::rows(const QString &select) const
{
    ChannelStore store(m_path);
    QList<StoredRow> stored;
    if (!store.select(select, stored))
        qFatal("reading the store failed: %s", qPrintable(store.errorText()));
    QList<ChannelValues> result;
    for (const StoredRow &row : stored)
        result.append(row.values);
    return result;
}

ChannelValues TempStore::row(qint64 id, const QString &name, const QString &type, double freq,
                             double audio1)
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
