#pragma once

#include "store/ChannelColumns.h"
#include "store/PlanOrder.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace plandor {
class ChannelStore;
}

namespace plandor::test {

// A plan database in a temporary folder that the store uses for the
// fixture's lifetime.
class TempStore
{
public:
    TempStore();
    ~TempStore();
    TempStore(const TempStore &) = delete;
    TempStore &operator=(const TempStore &) = delete;

    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

    // The fixture's own long-lived store on the file, opened on first use.
    ChannelStore &store();

    // Replaces the table's rows with exactly these, in this stored order
    // (IDs as given, not renumbered).
    void seed(const QList<ChannelValues> &rows);
    // The table's rows in an order of the store.
    QList<ChannelValues> rows(PlanOrder order = PlanOrder::ById);

    // One row from its five values.
    static ChannelValues row(
        qint64 id, const QString &name, const QString &type, double freq, double audio1);

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ChannelStore> m_store;
};

} // namespace plandor::test
