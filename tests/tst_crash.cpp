// All or nothing across a crash: a worker process replaces a 10,000-row plan
// (or renumbers it) over and over and is killed with SIGKILL at random
// moments; on reopening, the plan is exactly the old one or exactly the new
// one, never a mix, never empty.
//
// The test program is its own worker: started with PLANDOR_CRASH_WORKER set
// to a mode and PLANDOR_CRASH_DB to the database file, it loops until killed.
#include "store/ChannelStore.h"
#include "store/RecordOperations.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

using namespace plandor;

namespace {

const char *const kModeEnv = "PLANDOR_CRASH_WORKER";
const char *const kDbEnv = "PLANDOR_CRASH_DB";
const QString kUp = QStringLiteral("ORDER BY Freq"), kDown = QStringLiteral("ORDER BY Freq DESC");

// Numbered 1..count in stored order, frequencies out of that order and all
// distinct; the two markers differ in every row.
QList<ChannelValues> plan(char marker, int count)
{
    QList<ChannelValues> rows;
    for (int i = 0; i < count; ++i) {
        ChannelValues v;
        v.values[ColumnId] = qint64(i + 1);
        v.values[ColumnName] = marker + QString::number(i);
        v.values[ColumnType] = i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI");
        v.values[ColumnFreq] = (marker == 'A' ? 46.0 : 47.5) + double((i * 7919) % count) / 16;
        v.values[ColumnAudio1] = marker == 'A' ? 4.5 : 8.0;
        rows.append(v);
    }
    return rows;
}

// The plan renumbered 1..n in rising or falling frequency order.
QList<ChannelValues> byFreq(QList<ChannelValues> rows, bool rising)
{
    std::sort(rows.begin(), rows.end(), [rising](const ChannelValues &a, const ChannelValues &b) {
        const double fa = a.values[ColumnFreq].toDouble(), fb = b.values[ColumnFreq].toDouble();
        return rising ? fa < fb : fa > fb;
    });
    for (int i = 0; i < rows.size(); ++i)
        rows[i].values[ColumnId] = qint64(i + 1);
    return rows;
}

// A journal whose header carries the engine's magic number: the kill came
// after the database file started to change.
bool hotJournal(const QString &dbPath)
{
    QFile journal(dbPath + QStringLiteral("-journal"));
    return journal.open(QIODevice::ReadOnly)
        && journal.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

// Replaces plan A by plan B and back, or renumbers up and down, until killed;
// tells the test after its first commit.
int workForever(const QString &mode, const QString &path)
{
    const QList<ChannelValues> plans[2] = { plan('B', 7000), plan('A', 10000) };
    for (int turn = 0;; turn ^= 1) {
        RecordOperations operations(path);
        // A cache far smaller than the transaction makes the engine write
        // pages into the file before the commit, so that kills find it half
        // rewritten.
        QSqlQuery(operations.database()).exec(QStringLiteral("PRAGMA cache_size=16"));
        const bool ok = mode == QLatin1String("replace") ? operations.replacePlan(plans[turn])
                                                         : operations.renumber(turn ? kDown : kUp);
        if (!ok) {
            std::fprintf(stderr, "worker: %s\n", qPrintable(operations.errorText()));
            return 1;
        }
        std::fputs("committed\n", stdout);
        std::fflush(stdout);
    }
}

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT

private slots:
    void killMidway_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("replacing the plan") << "replace";
        QTest::newRow("renumbering the plan") << "renumber";
    }
    void killMidway()
    {
        QFETCH(QString, mode);
        const QList<ChannelValues> a = plan('A', 10000);
        const QList<ChannelValues> old = mode == QLatin1String("replace") ? a : byFreq(a, true);
        const QList<ChannelValues> replacement
            = mode == QLatin1String("replace") ? plan('B', 7000) : byFreq(a, false);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("FileDB2000.db"));
        QVERIFY(ChannelStore(path).replaceAll(a));
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);

        // Until four kills came in the middle of a rewrite (few are needed
        // when most kills come between two transactions).
        int kills = 0, interrupted = 0, foundOld = 0;
        for (; interrupted < 4 && kills < 40; ++kills) {
            QProcess worker; // killed by its destructor if a check below fails
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(kModeEnv), mode);
            env.insert(QString::fromLatin1(kDbEnv), path);
            worker.setProcessEnvironment(env);
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(QCoreApplication::applicationFilePath(), {});
            while (!worker.canReadLine())
                QVERIFY2(worker.waitForReadyRead(10000), "the worker made no commit");
            QThread::msleep(random.bounded(5, 300));
            QCOMPARE(worker.state(), QProcess::Running);
            worker.kill();
            QVERIFY(worker.waitForFinished(5000));
            interrupted += hotJournal(path);

            ChannelStore store(path);
            QList<StoredRow> stored;
            QVERIFY2(
                store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID"), stored),
                qPrintable(store.errorText()));
            QVERIFY(!hotJournal(path)); // reopening rolled back what was half done
            QList<ChannelValues> rows;
            for (const StoredRow &r : stored)
                rows.append(r.values);
            foundOld += rows == old;
            QVERIFY2(rows == old || rows == replacement,
                qPrintable(QStringLiteral("kill %1 (seed %2) left a mixed plan of %3 rows")
                               .arg(kills)
                               .arg(seed)
                               .arg(rows.size())));
        }
        qInfo("%d kills, %d in the middle of a rewrite; old plan found %d times", kills,
            interrupted, foundOld);
        QCOMPARE(interrupted, 4);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = qEnvironmentVariable(kModeEnv);
    if (!mode.isEmpty()) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        return workForever(mode, qEnvironmentVariable(kDbEnv));
    }
    CrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
