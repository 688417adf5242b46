// All or nothing across a crash: a worker process runs one store operation
// and puts the plan back, over and over, with the program's own connection,
// and is killed with SIGKILL while a transaction is being committed. On
// reopening, the table is exactly the old plan or exactly the new one. (The
// editor started on a store shows what it holds: tst_startup.)
//
// The test program is its own worker: started as "--crash-worker OPERATION
// DATABASE", it loops until killed.
#include "TempStore.h"

#include "store/RecordOperations.h"

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

using namespace plandor;

namespace {

constexpr int kRows = 5000;

// Numbered 1..kRows in stored order, frequencies out of that order and all
// distinct.
QList<StoredRow> plan()
{
    QList<StoredRow> rows;
    for (int i = 0; i < kRows; ++i)
        rows.append({ i + 1,
            test::TempStore::row(i + 1, 'A' + QString::number(i), i % 3 ? "TV" : "DIGI",
                46.0 + double((i * 7919) % kRows) / 16, 4.5) });
    return rows;
}

// The operation under test, on plan(). Putting the plan back (restore)
// is killed in every row, and a refused row shows that replacePlan and
// restore change all or nothing (tst_store).
bool runOperation(const QString &mode, ChannelStore &store)
{
    RecordOperations operations(store);
    if (mode == QLatin1String("delete")) // and every row after the first renumbered
        return operations.deleteRows({ 2, 700, 3000, 4999 });
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

// Runs the operation, then puts the old plan back, until killed.
int workForever(const QString &mode, const QString &path)
{
    ChannelStore store(path);
    const auto old = store.snapshot();
    while (old && runOperation(mode, store) && store.restore(*old)) { }
    std::fprintf(stderr, "worker: %s\n", qPrintable(store.errorText()));
    return 1;
}

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT

private slots:
    void killMidway_data()
    {
        QTest::addColumn<QString>("mode");
        for (const char *mode : { "delete", "paste", "insert", "renumber" })
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
            QVERIFY(store.restore(plan()));
            old = *store.snapshot();
            QVERIFY2(runOperation(mode, store), qPrintable(store.errorText()));
            changed = *store.snapshot();
            QVERIFY(changed != old);
            QVERIFY(store.restore(old));
        }
        // Until three kills came in the middle of a commit.
        int kills = 0, interrupted = 0;
        for (; interrupted < 3 && kills < 30; ++kills) {
            QProcess worker; // killed by its destructor if a check below fails
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(QCoreApplication::applicationFilePath(), { "--crash-worker", mode, path });
            QVERIFY(worker.waitForStarted());
            // The journal's header is made valid when a commit starts: the
            // kills land in turn in the operation's commit and in the putting
            // back's, so a change split over two commits leaves a mixed plan.
            const QDeadlineTimer deadline(2000);
            for (int seen = 0, hot = 0; !deadline.hasExpired();) {
                const bool now = hotJournal(path);
                seen += now && !hot;
                hot = now;
                if (now && seen > kills % 2)
                    break;
            }
            worker.kill();
            QVERIFY(worker.waitForFinished(5000));
            interrupted += hotJournal(path);

            ChannelStore store(path); // neither moved aside nor half changed
            const auto now = store.snapshot();
            QVERIFY2(now && (*now == old || *now == changed),
                qPrintable(QStringLiteral("kill %1 left %2").arg(kills).arg(store.errorText())));
            QVERIFY(store.restore(old)); // the next worker starts from the old plan
        }
        QCOMPARE(interrupted, 3);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--crash-worker") == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        return workForever(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    CrashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
