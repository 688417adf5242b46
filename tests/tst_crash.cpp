// All or nothing across a crash: a worker process runs one store operation
// and puts the plan back, over and over, with the program's own connection,
// and is killed with SIGKILL while a transaction is being committed. On
// reopening, the table is exactly the old plan or exactly the new one, and
// the editor window started on the file shows that plan.
//
// The test program is its own worker: started with PLANDOR_CRASH_WORKER set
// to an operation and PLANDOR_CRASH_DB to the database file, it loops until
// killed.
#include "editor/EditorWindow.h"
#include "editor/PlanTableModel.h"
#include "store/ChannelStore.h"
#include "store/RecordOperations.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

using namespace plandor;

namespace {

const char *const kModeEnv = "PLANDOR_CRASH_WORKER";
const char *const kDbEnv = "PLANDOR_CRASH_DB";
constexpr int kRows = 5000;

// Numbered 1..count in stored order, frequencies out of that order and all
// distinct; the two markers differ in every row.
QList<StoredRow> plan(char marker, int count)
{
    QList<StoredRow> rows;
    for (int i = 0; i < count; ++i) {
        ChannelValues v;
        v.values[ColumnId] = qint64(i + 1);
        v.values[ColumnName] = marker + QString::number(i);
        v.values[ColumnType] = i % 3 ? QStringLiteral("TV") : QStringLiteral("DIGI");
        v.values[ColumnFreq] = (marker == 'A' ? 46.0 : 47.5) + double((i * 7919) % count) / 16;
        v.values[ColumnAudio1] = marker == 'A' ? 4.5 : 8.0;
        rows.append({ i + 1, v });
    }
    return rows;
}

// The operation under test, on the plan 'A'.
bool runOperation(const QString &mode, ChannelStore &store)
{
    RecordOperations operations(store);
    if (mode == QLatin1String("replacePlan")) {
        QList<ChannelValues> values;
        for (const StoredRow &r : plan('B', kRows - 1000))
            values.append(r.values);
        return store.replacePlan(values);
    }
    if (mode == QLatin1String("restore"))
        return store.restore(plan('B', kRows + 1000));
    if (mode == QLatin1String("update"))
        return store.update(kRows / 2, plan('B', kRows)[kRows / 2 - 1].values);
    if (mode == QLatin1String("delete")) {
        QList<qint64> rowIds;
        for (qint64 id = 1; id <= kRows; id += 3)
            rowIds.append(id);
        return operations.deleteRows(rowIds);
    }
    if (mode == QLatin1String("paste"))
        return operations.pasteIds({ 5, 700, 3000, 12 });
    if (mode == QLatin1String("insert")) // every name 1..250 is taken: no search
        return operations.insertNamed(kRows / 2, QStringLiteral("N"));
    return operations.renumber(PlanOrder::ByFreq);
}

// A journal whose header carries the engine's magic number: the kill came
// after the database file started to change.
bool hotJournal(const QString &dbPath)
{
    QFile journal(dbPath + QStringLiteral("-journal"));
    return journal.open(QIODevice::ReadOnly)
        && journal.read(8) == QByteArray::fromHex("d9d505f920a163d7");
}

// Runs the operation, then puts the old plan back, until killed; tells the
// test after its first commit.
int workForever(const QString &mode, const QString &path)
{
    ChannelStore store(path);
    const auto old = store.snapshot();
    for (bool told = false; old;) {
        if (!runOperation(mode, store) || !store.restore(*old))
            break;
        if (!told) {
            std::fputs("committed\n", stdout);
            std::fflush(stdout);
            told = true;
        }
    }
    std::fprintf(stderr, "worker: %s\n", qPrintable(store.errorText()));
    return 1;
}

// The values in the order the window shows them: by frequency, then stored order.
QList<ChannelValues> asShown(QList<StoredRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const StoredRow &a, const StoredRow &b) {
        return a.values.values[ColumnFreq].toDouble() < b.values.values[ColumnFreq].toDouble();
    });
    QList<ChannelValues> values;
    for (const StoredRow &r : rows)
        values.append(r.values);
    return values;
}

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT

private slots:
    void killMidway_data()
    {
        QTest::addColumn<QString>("mode");
        for (const char *mode :
            { "replacePlan", "update", "delete", "paste", "insert", "renumber", "restore" })
            QTest::newRow(mode) << QString::fromLatin1(mode);
    }
    void killMidway()
    {
        QFETCH(QString, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("FileDB2000.db"));
        // The old and the new table, identities included, as the operation leaves them.
        QList<StoredRow> old, changed;
        {
            ChannelStore store(path);
            QVERIFY(store.restore(plan('A', kRows)));
            old = *store.snapshot();
            QVERIFY2(runOperation(mode, store), qPrintable(store.errorText()));
            changed = *store.snapshot();
            QVERIFY(changed != old);
            QVERIFY(store.restore(old));
        }
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);

        // Until three kills came in the middle of a commit.
        int kills = 0, interrupted = 0, foundOld = 0;
        for (; interrupted < 3 && kills < 30; ++kills) {
            QProcess worker; // killed by its destructor if a check below fails
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(kModeEnv), mode);
            env.insert(QString::fromLatin1(kDbEnv), path);
            worker.setProcessEnvironment(env);
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(QCoreApplication::applicationFilePath(), {});
            while (!worker.canReadLine())
                QVERIFY2(worker.waitForReadyRead(20000), "the worker made no commit");
            // The journal exists while a transaction writes; its header is
            // made valid when the commit starts. Half the kills wait for the
            // first or the second commit (the operation's or the putting
            // back's), the others land a random number of looks into a
            // transaction.
            const bool atCommit = random.bounded(2) == 0;
            const int commits = int(random.bounded(1, 3));
            const int looks = int(random.bounded(2000));
            QElapsedTimer waited;
            waited.start();
            for (int seen = 0, hot = 0; waited.elapsed() < 2000;) {
                if (atCommit) {
                    const bool now = hotJournal(path);
                    seen += now && !hot;
                    hot = now;
                    if (now && seen >= commits)
                        break;
                } else if ((seen += QFile::exists(path + QStringLiteral("-journal"))) > looks) {
                    break;
                }
            }
            QCOMPARE(worker.state(), QProcess::Running);
            worker.kill();
            QVERIFY(worker.waitForFinished(5000));
            interrupted += hotJournal(path);

            ChannelStore store(path);
            QVERIFY2(store.isOpen(), qPrintable(store.errorText()));
            QVERIFY(!store.movedAsideTo());
            QVERIFY(!hotJournal(path)); // reopening rolled back what was half done
            const auto now = store.snapshot();
            QVERIFY(now);
            foundOld += *now == old;
            QVERIFY2(*now == old || *now == changed,
                qPrintable(QStringLiteral("kill %1 (seed %2) left a mixed plan of %3 rows")
                               .arg(kills)
                               .arg(seed)
                               .arg(now->size())));

            // The window started on the file shows that plan.
            EditorWindow window(store);
            QAbstractItemModelTester tester(window.model());
            QList<ChannelValues> shown;
            for (int r = 0; r < window.model()->rowCount(); ++r)
                shown.append(window.model()->storedValues(r));
            QCOMPARE(shown, asShown(*now));
            QVERIFY(store.restore(old)); // the next worker starts from the old plan
        }
        qInfo("%s: %d kills, %d in the middle of a commit; old plan found %d times",
            qPrintable(mode), kills, interrupted, foundOld);
        QCOMPARE(interrupted, 3);
    }
};

int main(int argc, char **argv)
{
    const QString mode = qEnvironmentVariable(kModeEnv);
    if (!mode.isEmpty()) {
        QCoreApplication app(argc, argv);
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        return workForever(mode, qEnvironmentVariable(kDbEnv));
    }
    QApplication app(argc, argv);
    CrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
