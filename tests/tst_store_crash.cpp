// All or nothing across a crash: a worker process rewrites a large plan over
// and over and is killed (SIGKILL) at random moments; the plan found on
// reopening is exactly the old one or exactly the new one, never a mix.
//
// The test program is its own worker: started with PLANDOR_CRASH_WORKER set
// to a mode and PLANDOR_CRASH_DB to the database file, it loops until killed.
#include "store/ChannelStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>

#ifdef __linux__
#include <sys/prctl.h>
#endif

using namespace plandor;

namespace {

constexpr int kPlanARows = 10000;
constexpr int kPlanBRows = 7000;
constexpr int kRenumberRows = 10000;
constexpr int kKillsPerMode = 5;

const char *const kModeEnv = "PLANDOR_CRASH_WORKER";
const char *const kDbEnv = "PLANDOR_CRASH_DB";

// Two plans that differ in size and in every row, so a mix of them shows.
QList<ChannelValues> plan(QChar marker, int count)
{
    QList<ChannelValues> rows;
    rows.reserve(count);
    const double base = marker == QLatin1Char('A') ? 46.0 : 47.5;
    for (int i = 0; i < count; ++i) {
        ChannelValues v;
        v.values[ColumnId] = qint64(i + 1);
        v.values[ColumnName] = QString(marker) + QString::number(i % 100);
        v.values[ColumnType] = i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI");
        v.values[ColumnFreq] = base + i * 0.0625;
        v.values[ColumnAudio1] = marker == QLatin1Char('A') ? 4.5 : 8.0;
        rows.append(v);
    }
    return rows;
}

QList<ChannelValues> read(const QString &path, QString &error)
{
    ChannelStore store(path);
    QList<StoredRow> stored;
    QList<ChannelValues> rows;
    if (!store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID"), stored)) {
        error = store.errorText();
        return rows;
    }
    for (const StoredRow &r : stored)
        rows.append(r.values);
    return rows;
}

// A cache far smaller than the transaction makes the engine write changed
// pages into the database file before the commit, so that most kills find
// the file half rewritten and a hot journal to roll back.
void spillEarly(ChannelStore &store)
{
    if (!store.execute(QStringLiteral("PRAGMA cache_size=16")))
        std::fprintf(stderr, "worker: %s\n", qPrintable(store.errorText()));
}

// A journal whose header carries the engine's magic number: the kill came
// after the database file started to change.
bool hotJournal(const QString &dbPath)
{
    QFile journal(dbPath + QStringLiteral("-journal"));
    if (!journal.open(QIODevice::ReadOnly))
        return false;
    return journal.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

void announceCommit(int &commits)
{
    if (++commits == 1) {
        std::fputs("committed\n", stdout);
        std::fflush(stdout);
    }
}

// Replaces plan A with plan B and back, for ever.
int replaceForever(const QString &path)
{
    const QList<ChannelValues> plans[2]
        = { plan(QLatin1Char('B'), kPlanBRows), plan(QLatin1Char('A'), kPlanARows) };
    int commits = 0;
    for (int turn = 0;; turn ^= 1) {
        ChannelStore store(path);
        spillEarly(store);
        if (!store.replaceAll(plans[turn])) {
            std::fprintf(stderr, "worker: %s\n", qPrintable(store.errorText()));
            return 1;
        }
        announceCommit(commits);
    }
}

// Renumbers every row in one transaction, one UPDATE per row: ascending by
// row id, then descending, for ever.
int renumberForever(const QString &path)
{
    int commits = 0;
    for (bool descending = true;; descending = !descending) {
        ChannelStore store(path);
        spillEarly(store);
        QList<StoredRow> rows;
        auto transaction = store.begin();
        if (!transaction || !store.select(QStringLiteral("ChannelPlanUser"), rows))
            return 1;
        const qint64 n = rows.size();
        for (StoredRow &r : rows) {
            r.values.values[ColumnId] = descending ? n + 1 - r.rowId : r.rowId;
            if (!store.update(r.rowId, r.values))
                return 1;
        }
        if (!store.commit(*transaction))
            return 1;
        announceCommit(commits);
    }
}

} // namespace

class StoreCrashTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killDuringReplaceAll();
    void killDuringRenumber();

private:
    // Starts the worker in mode, waits for its first commit, then kills it
    // after a random delay. hot tells whether the kill left a hot journal (a
    // transaction that had begun to change the file).
    void runAndKill(const QString &mode, const QString &path, bool &hot);

    QRandomGenerator m_random;
};

void StoreCrashTest::initTestCase()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("delay seed %u", seed);
    m_random.seed(seed);
}

void StoreCrashTest::runAndKill(const QString &mode, const QString &path, bool &hot)
{
    hot = false;
    QProcess worker; // killed by its destructor if a check below fails
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kModeEnv), mode);
    env.insert(QString::fromLatin1(kDbEnv), path);
    worker.setProcessEnvironment(env);
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY2(worker.waitForStarted(5000), "worker did not start");
    while (!worker.canReadLine())
        QVERIFY2(worker.waitForReadyRead(10000), "worker made no commit");
    QThread::msleep(m_random.bounded(10, 400));
    QVERIFY2(worker.state() == QProcess::Running, "worker ended on its own");
    worker.kill(); // SIGKILL
    QVERIFY(worker.waitForFinished(5000));
    hot = hotJournal(path);
}

void StoreCrashTest::killDuringReplaceAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FileDB2000.db"));
    const QList<ChannelValues> planA = plan(QLatin1Char('A'), kPlanARows);
    const QList<ChannelValues> planB = plan(QLatin1Char('B'), kPlanBRows);
    {
        ChannelStore store(path);
        QVERIFY(store.replaceAll(planA));
    }
    int interrupted = 0, foundA = 0, foundB = 0;
    for (int i = 0; i < kKillsPerMode; ++i) {
        bool hot = false;
        runAndKill(QStringLiteral("replace"), path, hot);
        if (QTest::currentTestFailed())
            return;
        interrupted += hot;
        QString error;
        const QList<ChannelValues> rows = read(path, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Reopening rolled back whatever the worker left half done.
        QVERIFY(!hotJournal(path));
        if (rows == planA)
            ++foundA;
        else if (rows == planB)
            ++foundB;
        else
            QFAIL(qPrintable(
                QStringLiteral("kill %1 left a partial plan of %2 rows").arg(i).arg(rows.size())));
    }
    qInfo("replaceAll: %d kills left a hot journal; found plan A %d times, plan B %d times",
        interrupted, foundA, foundB);
    // Without a kill in the middle of rewriting the file the test would prove nothing.
    QVERIFY(interrupted > 0);
}

void StoreCrashTest::killDuringRenumber()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FileDB2000.db"));
    const QList<ChannelValues> ascending = plan(QLatin1Char('A'), kRenumberRows);
    QList<ChannelValues> descending = ascending;
    for (int i = 0; i < kRenumberRows; ++i)
        descending[i].values[ColumnId] = qint64(kRenumberRows - i);
    {
        ChannelStore store(path);
        QVERIFY(store.replaceAll(ascending));
    }
    int interrupted = 0;
    for (int i = 0; i < kKillsPerMode; ++i) {
        bool hot = false;
        runAndKill(QStringLiteral("renumber"), path, hot);
        if (QTest::currentTestFailed())
            return;
        interrupted += hot;
        ChannelStore store(path);
        QList<StoredRow> stored;
        QVERIFY2(
            store.select(QStringLiteral("ChannelPlanUser"), stored), qPrintable(store.errorText()));
        QList<ChannelValues> rows;
        for (const StoredRow &r : stored)
            rows.append(r.values);
        QVERIFY(!hotJournal(path));
        QVERIFY2(rows == ascending || rows == descending,
            qPrintable(QStringLiteral("kill %1 left a partly renumbered plan").arg(i)));
    }
    qInfo("renumber: %d of %d kills left a hot journal", interrupted, kKillsPerMode);
    QVERIFY(interrupted > 0);
}

int main(int argc, char **argv)
{
    const QString mode = qEnvironmentVariable(kModeEnv);
    if (!mode.isEmpty()) {
#ifdef __linux__
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
#endif
        QCoreApplication app(argc, argv);
        const QString path = qEnvironmentVariable(kDbEnv);
        return mode == QLatin1String("replace") ? replaceForever(path) : renumberForever(path);
    }
    QCoreApplication app(argc, argv);
    StoreCrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store_crash.moc"
