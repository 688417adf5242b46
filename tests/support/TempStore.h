#pragma once

#include "store/ChannelStore.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace plandor::test {

// A plan database in a temporary folder that the store uses for the
// fixture's lifetime.
class TempStore
{
public:
    TempStore() { DatabaseLocation::setOverride(m_path); }
    ~TempStore() { DatabaseLocation::setOverride(QString()); } // m_store closes after it
    Q_DISABLE_COPY(TempStore)

    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

    // The fixture's own long-lived store on the file, opened on first use.
    ChannelStore &store()
    {
        if (!m_store) {
            m_store = std::make_unique<ChannelStore>(m_path);
            if (!m_store->isOpen())
                qFatal("opening the store failed: %s", qPrintable(m_store->errorText()));
        }
        return *m_store;
    }

    // Replaces the table's rows with exactly these, in this stored order
    // (identities 1..n, IDs as given, not renumbered).
    void seed(const QList<ChannelValues> &rows)
    {
        QList<StoredRow> stored;
        for (const ChannelValues &values : rows)
            stored.append({ stored.size() + 1, values });
        if (!store().restore(stored))
            qFatal("seeding the store failed: %s", qPrintable(store().errorText()));
    }

    // The table's rows in an order of the store.
    QList<ChannelValues> rows(PlanOrder order = PlanOrder::ById)
    {
        QList<StoredRow> stored;
        if (!store().rows(order, stored))
            qFatal("reading the store failed: %s", qPrintable(store().errorText()));
        QList<ChannelValues> result;
        for (const StoredRow &row : std::as_const(stored))
            result.append(row.values);
        return result;
    }

    // One row from its five values.
    static ChannelValues row(
        qint64 id, const QString &name, const QString &type, double freq, double audio1)
    {
        ChannelValues row;
        row.id = id;
        row.name = name;
        row.setTypeText(type);
        row.freq = freq;
        row.audio1 = audio1;
        return row;
    }

private:
    QTemporaryDir m_dir;
    QString m_path = m_dir.path() + QStringLiteral("/FileDB2000.db");
    std::unique_ptr<ChannelStore> m_store;
};

} // namespace plandor::test

namespace plandor {
// A row as a failed comparison prints it.
inline char *toString(const ChannelValues &row)
{
    QStringList fields;
    for (int c = 0; c < kChannelColumnCount; ++c) {
        const QVariant value = row.value(c);
        fields.append(value.isNull() ? QStringLiteral("null") : value.toString());
    }
    return QTest::toString(fields.join(QLatin1Char('|')));
}
} // namespace plandor
