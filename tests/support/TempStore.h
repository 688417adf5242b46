#pragma once

#include "store/ChannelColumns.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

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

    // Replaces the table's rows.
    void seed(const QList<ChannelValues> &rows);
    // The table's rows in the order a SELECT text gives them.
    QList<ChannelValues> rows(const QString &select = QStringLiteral(
                                  "SELECT * FROM ChannelPlanUser ORDER BY ID")) const;

    // One row from its five values.
    static ChannelValues row(qint64 id, const QString &name, const QString &type, double freq,
                             double audio1);

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace plandor::test
