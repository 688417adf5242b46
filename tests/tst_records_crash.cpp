// Renumbering cannot lose the plan: a worker process renumbers a plan of
// 10,000 channels over and over (frequency order up, then down) and is killed
// with SIGKILL at random moments; on reopening, the plan holds every channel
// once, numbered 1..n in one of the two orders, never a mix, never empty.
//
// The test program is its own worker: with PLANDOR_RENUMBER_WORKER set to the
// database file it renumbers until it is killed.
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

#include <cstdio>

using namespace plandor;

namespace {

constexpr int kRows = 10000;
constexpr int kKills = 12;
const char *const kWorkerEnv = "PLANDOR_RENUMBER_WORKER";

// IDs in stored order, frequencies out of that order, all distinct.
QList<ChannelValues> scrambledPlan()
{
    QList<ChannelValues> rows;
    for (int i = 0; i < kRows; ++i) {
        ChannelValues v;
        v.values[ColumnId] = qint64(i + 1);
        v.values[ColumnName] = QString::number(i);
        v.values[ColumnType] = QStringLiteral("TV");
        v.values[ColumnFreq] = 46.0 + double((i * 7919) % kRows) / 16.0;
        v.values[ColumnAudio1] = 4.5;
        rows.append(v);
    }
    return rows;
}

int renumberForever(const QString &path)
{
    for (bool up = true;; up = !up) {
        RecordOperations operations(path);
        // A tiny cache makes the engine write pages into the file before the
        // commit, so that kills find it half rewritten.
        QSqlQuery(operations.database()).exec(QStringLiteral("PRAGMA cache_size=16"));
        if (!operations.renumber(
                up ? QStringLiteral("ORDER BY Freq") : QStringLiteral("ORDER BY Freq DESC"))) {
            std::fprintf(stderr, "worker: %s\n", qPrintable(operations.errorText()));
            return 1;
        }
        std::fputs("renumbered\n", stdout);
        std::fflush(stdout);
    }
}

bool hotJournal(const QString &dbPath)
{
    QFile journal(dbPath + QStringLiteral("-journal"));
    return journal.open(QIODevice::ReadOnly)
        && journal.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

} // namespace

class RecordsCrashTest : public QObject
{
    Q_OBJECT

private slots:
    void killDuringRenumber();
};

void RecordsCrashTest::killDuringRenumber()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FileDB2000.db"));
    const QList<ChannelValues> plan = scrambledPlan();
    {
        ChannelStore store(path);
        QVERIFY(store.replaceAll(plan));
    }
    // Each channel by its name, with its frequency.
    QHash<QString, double> freqOf;
    for (const ChannelValues &v : plan)
        freqOf.insert(v.values[ColumnName].toString(), v.values[ColumnFreq].toDouble());

    QRandomGenerator random(QRandomGenerator::global()->generate());
    int interrupted = 0, up = 0, down = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess worker;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kWorkerEnv), path);
        worker.setProcessEnvironment(env);
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(worker.waitForStarted(5000));
        while (!worker.canReadLine())
            QVERIFY2(worker.waitForReadyRead(20000), "the worker renumbered nothing");
        QThread::msleep(random.bounded(5, 300));
        QCOMPARE(worker.state(), QProcess::Running);
        worker.kill();
        QVERIFY(worker.waitForFinished(5000));
        interrupted += hotJournal(path);

        ChannelStore store(path);
        QList<StoredRow> rows;
        QVERIFY2(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID"), rows),
            qPrintable(store.errorText()));
        QCOMPARE(rows.size(), kRows);
        QSet<QString> seen;
        bool ascending = true, descending = true;
        for (int i = 0; i < rows.size(); ++i) {
            const ChannelValues &v = rows[i].values;
            QCOMPARE(v.values[ColumnId].toLongLong(), qint64(i + 1));
            const QString name = v.values[ColumnName].toString();
            QVERIFY(freqOf.contains(name) && !seen.contains(name));
            seen.insert(name);
            QCOMPARE(v.values[ColumnFreq].toDouble(), freqOf.value(name));
            if (i > 0) {
                const double previous = rows[i - 1].values.values[ColumnFreq].toDouble();
                ascending = ascending && previous < v.values[ColumnFreq].toDouble();
                descending = descending && previous > v.values[ColumnFreq].toDouble();
            }
        }
        QVERIFY2(ascending || descending, "the numbering is neither the old nor the new one");
        up += ascending;
        down += descending;
    }
    qInfo("%d of %d kills left a hot journal; %d plans in rising, %d in falling order", interrupted,
        kKills, up, down);
    QVERIFY(interrupted > 0); // else no kill came in the middle of a rewrite
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString workerPath = qEnvironmentVariable(kWorkerEnv);
    if (!workerPath.isEmpty())
        return renumberForever(workerPath);
    RecordsCrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_records_crash.moc"
