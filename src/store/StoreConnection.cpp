#include "store/StoreConnection.h"

#include "store/BulkInsert.h"
#include "store/SqlDialect.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace plandor {
namespace {
QAtomicInteger<quint64> g_counter;
int g_busyTimeoutMs = 2000;

int codeOf(const QSqlError &error, const QSqlDatabase &db)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (ok && code != 0)
        return code;
    const int engine = BulkInsert::lastErrorCode(db);
    return engine != 0 ? engine : SQLITE_ERROR;
}

// Files the engine keeps beside the database; an old journal must not be
// played back into the new file.
const char *const kCompanions[] = { "", "-journal", "-wal", "-shm" };
} // namespace

StoreConnection::StoreConnection(const QString &path)
    : m_name(QStringLiteral("plandor-store-%1").arg(++g_counter))
    , m_path(path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        setProblem(SQLITE_CANTOPEN, QString());
        return;
    }
    int code = open();
    if (code != 0 && StoreProblems::isUnreadableFile(code)) {
        database().close();
        if (moveAside())
            code = open();
    }
    if (code != 0) {
        setProblem(code, database().lastError().text());
        database().close();
    }
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

int StoreConnection::open()
{
    QSqlDatabase db = QSqlDatabase::contains(m_name)
        ? QSqlDatabase::database(m_name, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!db.isValid())
        return SQLITE_CANTOPEN;
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeoutMs));
    if (!db.open())
        return codeOf(db.lastError(), db);
    return prepare();
}

int StoreConnection::prepare()
{
    QSqlQuery q(database());
    // A rollback journal with full syncs: a commit survives a power cut, and
    // an interrupted transaction is rolled back when the file is next opened.
    // quick_check reads every page once, so a truncated or damaged file is
    // found now rather than in the middle of an edit.
    for (const QString &sql : { QStringLiteral("PRAGMA journal_mode=DELETE"),
             QStringLiteral("PRAGMA synchronous=FULL"), SqlDialect::createTable(),
             SqlDialect::createDetailsTable(), QStringLiteral("PRAGMA quick_check") }) {
        if (!q.exec(sql))
            return codeOf(q.lastError(), database());
    }
    if (q.next() && q.value(0).toString() != QLatin1String("ok"))
        return SQLITE_CORRUPT;
    return 0;
}

bool StoreConnection::moveAside()
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = m_path + QStringLiteral(".broken-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);
    for (const char *suffix : kCompanions) {
        const QString from = m_path + QLatin1String(suffix);
        if (QFileInfo::exists(from) && !QFile::rename(from, target + QLatin1String(suffix)))
            return false;
    }
    m_movedAsideTo = target;
    return true;
}

void StoreConnection::setProblem(int code, const QString &engineText)
{
    m_problem = StoreProblems::fromEngineCode(code);
    if (m_problem == StoreProblem::None || StoreProblems::isUnreadableFile(code))
        m_problem = StoreProblem::CannotOpen;
    // A file that cannot be created in a folder that cannot be written to:
    // a read-only medium or an installed program's folder.
    if (m_problem == StoreProblem::CannotOpen && !QFileInfo::exists(m_path)
        && !QFileInfo(QFileInfo(m_path).absolutePath()).isWritable()
        && QFileInfo(QFileInfo(m_path).absolutePath()).isDir())
        m_problem = StoreProblem::ReadOnly;
    m_error = StoreProblems::message(m_problem, m_path, engineText);
}

} // namespace plandor
