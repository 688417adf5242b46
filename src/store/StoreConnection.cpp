#include "store/StoreConnection.h"

#include "store/SqlDialect.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace plandor {
namespace {
QAtomicInteger<quint64> g_counter;
int g_busyTimeoutMs = 2000;

// The plan table. STRICT makes the engine refuse a text that is not a number
// in Freq or Audio1 instead of storing it as text.
const char *const kCreateTable =
    "CREATE TABLE IF NOT EXISTS ChannelPlanUser ("
    "ID INTEGER, CHName TEXT, Type TEXT, Freq REAL, Audio1 REAL) STRICT";
} // namespace

StoreConnection::StoreConnection(const QString &path)
    : m_name(QStringLiteral("plandor-store-%1").arg(++g_counter))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!db.isValid()) {
        m_error = QStringLiteral("The SQLite driver is not available.");
        return;
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_error = QStringLiteral("%1 is not a file.").arg(path);
        return;
    }
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeoutMs));
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    if (!prepare())
        db.close();
}

StoreConnection::~StoreConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase StoreConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

void StoreConnection::setBusyTimeoutMs(int ms)
{
    g_busyTimeoutMs = ms;
}

bool StoreConnection::prepare()
{
    QSqlQuery q(database());
    // A rollback journal with full syncs: a commit survives a power cut, and
    // an interrupted transaction is rolled back when the file is next opened.
    for (const char *sql : {"PRAGMA journal_mode=DELETE", "PRAGMA synchronous=FULL", kCreateTable}) {
        if (!q.exec(QString::fromLatin1(sql))) {
            m_error = q.lastError().text();
            return false;
        }
    }
    return true;
}

} // namespace plandor
