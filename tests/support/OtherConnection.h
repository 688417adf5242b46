#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace plandor::test {

// A connection of the test's own to a database file, as another program
// would hold it, that runs one statement on opening (a lock, a new table, a
// query); it lets go when destroyed.
class OtherConnection
{
public:
    OtherConnection(const QString &path, const QString &statement)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        m_ok = db.open() && QSqlQuery(db).exec(statement);
    }
    ~OtherConnection() { QSqlDatabase::removeDatabase(kName); } // which closes it
    Q_DISABLE_COPY(OtherConnection)

    // The statement ran.
    bool ok() const { return m_ok; }

private:
    static inline const QString kName = QStringLiteral("other-program");
    bool m_ok = false;
};

} // namespace plandor::test
