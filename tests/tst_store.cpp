// The channel store: the orders it reads in, the one replace-plan path, undo
// snapshots, the values it refuses, and what it does with whatever lies at
// its path (another program's table, not a database, truncated, damaged, a
// folder, locked, read-only, a full disk).
//
// The program is its own child process for what lies at the path, as another
// user or under a file size limit where that is needed: started with
// PLANDOR_STORE_CHILD set to the database path, it opens the store, replaces
// the plan and prints the outcome.
#include "OtherConnection.h"
#include "TempStore.h"
#include "base/Language.h"
#include "store/StoreConnection.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <limits>

#include <optional>
#include <unistd.h>

using namespace plandor;
using plandor::test::OtherConnection;
using plandor::test::TempStore;

namespace {

constexpr auto row = &TempStore::row;
const char *const kChildEnv = "PLANDOR_STORE_CHILD";

// Stored in this order; ID order, frequency order and stored order all
// differ, and two rows share a frequency.
QList<ChannelValues> mixedPlan()
{
    return { row(3, "C", "TV", 100.25, 4.5), row(1, "A", "DIGI", 474, 8),
        row(4, "D", "TV", 55.25, 6.5), row(2, "B", "TV", 100.25, 5.5) };
}

QList<ChannelValues> bigPlan(int count)
{
    QList<ChannelValues> rows;
    for (int i = 1; i <= count; ++i)
        rows.append(row(i, QString::number(i), "TV", 46 + i * 0.25, 6.5));
    return rows;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Root is not stopped by permissions: a child that must be is run as nobody.
QStringList unprivileged()
{
    return geteuid() != 0
        ? QStringList()
        : QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
}

// The child's side: open, count, replace; one line "problem count ok", then
// what the user is told (why it failed, or that the old file was moved aside).
int childMain(const QString &path)
{
    if (path == QLatin1String("where")) { // where the program keeps its database
        std::printf("%s\n", DatabaseLocation::path().toUtf8().constData());
        return 0;
    }
    LanguageOffset = qint16(qEnvironmentVariableIntValue("PLANDOR_STORE_LANG"));
    StoreConnection::setBusyTimeoutMs(100);
    ChannelStore store(path);
    const int count = store.rowCount();
    const bool ok = store.isOpen() && store.replacePlan(bigPlan(3000));
    std::printf("%d %d %d\n%s\n", int(store.problem()), count, int(ok),
        (ok ? store.movedAsideText() : store.errorText()).toUtf8().constData());
    return 0;
}

// Runs the child on path through a wrapper (program and arguments before the
// child's own path); the lines it printed, none when it failed.
QStringList runChild(const QString &path, QStringList wrapper, qint16 language = kEnglishOffset,
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    QProcess child;
    env.insert(QString::fromLatin1(kChildEnv), path);
    env.insert(QStringLiteral("PLANDOR_STORE_LANG"), QString::number(language));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wrapper.append(QCoreApplication::applicationFilePath());
    child.start(wrapper.takeFirst(), wrapper);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void orders_data()
    {
        QTest::addColumn<PlanOrder>("order");
        QTest::addColumn<QList<int>>("storedPlaces");
        // Equal frequencies keep their stored order.
        QTest::newRow("by frequency") << PlanOrder::ByFreq << QList { 2, 0, 3, 1 };
        QTest::newRow("by ID") << PlanOrder::ById << QList { 1, 3, 0, 2 };
    }
    void orders()
    {
        QFETCH(PlanOrder, order);
        QFETCH(QList<int>, storedPlaces);
        TempStore s;
        s.seed(mixedPlan());
        QList<StoredRow> rows, expected;
        for (int place : storedPlaces)
            expected.append({ place + 1, mixedPlan()[place] });
        QVERIFY2(s.store().rows(order, rows), qPrintable(s.store().errorText()));
        QCOMPARE(rows, expected);
    }

    // A field without a value (a received channel without a frequency) comes
    // back without one, not as 0.
    void missingValuesStayMissing()
    {
        TempStore s;
        ChannelValues blank = row(1, "A", "TV", 55.25, 4.5);
        blank.setValue(ColumnFreq, QVariant());
        blank.setValue(ColumnAudio1, QVariant());
        s.seed({ blank });
        QCOMPARE(s.rows(), QList { blank });
    }

    // A row is found and written by its identity, whatever its ID says.
    void rowByIdentity()
    {
        TempStore s;
        s.seed(mixedPlan() + QList { row(1, "A2", "TV", 60, 6.5) }); // a second ID 1
        ChannelStore &store = s.store();
        QCOMPARE(store.row(5), (std::optional<StoredRow> { { 5, row(1, "A2", "TV", 60, 6.5) } }));
        const ChannelValues z = row(7, "Z", "DIGI", 800, 8);
        QVERIFY2(store.update(5, z), qPrintable(store.errorText()));
        QCOMPARE(s.rows(PlanOrder::Stored), mixedPlan() + QList { z });
        QVERIFY(!store.row(9) && store.errorText().isEmpty()); // no such row is not a failure
        QVERIFY(!store.update(9, z) && !store.errorText().isEmpty());
    }

    // A plan comes in numbered 1..n in its ID order: equal IDs keep their
    // given order, and a row without an ID comes first.
    void replacePlanNumbers()
    {
        TempStore s;
        s.seed(mixedPlan());
        ChannelValues noId = row(0, "N", "TV", 46, 4.5);
        noId.setValue(ColumnId, QVariant());
        QVERIFY(s.store().replacePlan(
            { row(2, "X", "TV", 46, 4.5), mixedPlan()[1], row(2, "Y", "TV", 47, 4.5), noId }));
        QCOMPARE(s.rows(PlanOrder::Stored),
            (QList { row(1, "N", "TV", 46, 4.5), row(2, "A", "DIGI", 474, 8),
                row(3, "X", "TV", 46, 4.5), row(4, "Y", "TV", 47, 4.5) }));
    }

    // A text in a number column is refused, and the whole change with it.
    void refusedWhole_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("replace plan") << "replace";
        QTest::newRow("update") << "update";
        QTest::newRow("restore") << "restore";
    }
    void refusedWhole()
    {
        QFETCH(QString, operation);
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore &store = s.store();
        ChannelValues bad = row(5, "E", "TV", 471.25, 6.5);
        bad.freq = std::numeric_limits<double>::quiet_NaN();
        // A good row before the bad one.
        const QList<ChannelValues> rows { row(6, "F", "TV", 479.25, 6.5), bad };
        const bool ok = operation == QLatin1String("replace") ? store.replacePlan(rows)
            : operation == QLatin1String("update")            ? store.update(1, bad)
                                                   : store.restore({ { 1, rows[0] }, { 2, bad } });
        QVERIFY(!ok);
        QCOMPARE(store.problem(), StoreProblem::Refused);
        QVERIFY(!store.errorText().isEmpty());
        QCOMPARE(s.rows(PlanOrder::Stored), mixedPlan());
        QVERIFY(store.replacePlan({ rows[0] })); // and the store goes on working
    }

    // Undo puts back exactly the table it took, identities included, even
    // with gaps and out of order, or an empty one.
    void restore()
    {
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore &store = s.store();
        const QList<ChannelValues> m = mixedPlan();
        QVERIFY(store.restore({ { 9, m[0] }, { 4, m[1] } }));
        QCOMPARE(store.snapshot().value_or(QList<StoredRow>()),
            (QList<StoredRow> { { 4, m[1] }, { 9, m[0] } }));
        QVERIFY(store.restore({}));
        QCOMPARE(store.rowCount(), 0);
    }

    // A change row by row and its inverse give back exactly the tables they
    // were made between; a change naming a row that is gone changes nothing.
    void changeAndInverse()
    {
        TempStore s;
        ChannelStore &store = s.store();
        const QList<ChannelValues> m = mixedPlan();
        const QList<StoredRow> from { { 2, m[0] }, { 5, m[1] }, { 7, m[2] } };
        const QList<StoredRow> to { { 3, m[2] }, { 5, m[0] }, { 7, m[2] } };
        QVERIFY(store.restore(from));
        const RowChange change = RowChange::between(from, to);
        QCOMPARE(change.appliedTo(from), to);
        QVERIFY(store.apply(change));
        QCOMPARE(store.snapshot().value_or(QList<StoredRow>()), to);
        QVERIFY(store.apply(change.inverse()));
        QCOMPARE(store.snapshot().value_or(QList<StoredRow>()), from);

        RowChange gone = change;
        gone.before.append({ 99, m[0] });
        gone.after.append({ 99, m[1] });
        QVERIFY(!store.apply(gone));
        QVERIFY(!store.errorText().isEmpty());
        QCOMPARE(store.snapshot().value_or(QList<StoredRow>()), from);
    }

    // A file at the store's path that is not a database, or is damaged, is
    // moved aside for a new one, and the user is told. A store that cannot be
    // used or changed leaves the file as it was and tells why with the path. Permissions do not
    // stop root, so a read-only medium is tried as nobody there. The row's name says what lies at
    // the path.
    void fileAtThePath_data()
    {
        QTest::addColumn<StoreProblem>("problem");
        QTest::addColumn<int>("rowCount"); // as the child read it
        QTest::addColumn<QString>("told");
        using P = StoreProblem;
        QTest::newRow("not a database") << P::None << 0 << "moved to";
        QTest::newRow("a damaged page") << P::None << 0 << "moved to";
        QTest::newRow("a folder") << P::CannotOpen << -1 << "cannot be opened";
        QTest::newRow("locked by another program") << P::Busy << -1 << "in use by another";
        QTest::newRow("a plan on a read-only medium") << P::ReadOnly << 4 << "read-only";
        QTest::newRow("no file, a read-only folder, Chinese run") << P::ReadOnly << -1 << "只读";
        QTest::newRow("a full disk") << P::DiskFull << 4 << "the disk is full";
    }
    void fileAtThePath()
    {
        QFETCH(StoreProblem, problem);
        QFETCH(int, rowCount);
        QFETCH(QString, told);
        const QByteArray existing = QTest::currentDataTag();
        TempStore s;
        const bool seeded = problem != StoreProblem::None && !existing.contains("folder");
        if (seeded)
            s.seed(mixedPlan());
        std::optional<OtherConnection> other;
        QStringList wrapper;
        if (existing == "not a database") {
            QFile f(s.path());
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(8192, 'x')) == 8192);
        } else if (existing == "a damaged page") {
            // A page's cell pointers zeroed: the file opens, only a check of
            // its pages finds the damage.
            QVERIFY(ChannelStore(s.path()).replacePlan(bigPlan(2000)));
            QFile f(s.path());
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 4096 / 2 * 4096 + 8));
            QCOMPARE(f.write(QByteArray(92, '\0')), 92);
        } else if (existing == "a folder") {
            QVERIFY(QDir().mkdir(s.path()));
        } else if (existing == "locked by another program") {
            other.emplace(s.path(), QStringLiteral("BEGIN EXCLUSIVE"));
            QVERIFY(other->ok());
        } else if (existing == "a full disk") {
            wrapper = QStringList { "bash", "-c",
                QStringLiteral("trap '' XFSZ; exec prlimit --fsize=%1 \"$0\"")
                    .arg(QFileInfo(s.path()).size() + 4096) };
        } else {
            wrapper = unprivileged();
            QFile::setPermissions(s.dir(), QFileDevice::Permissions(0x5555)); // r-x for all
            if (seeded)
                QFile::setPermissions(s.path(), QFileDevice::Permissions(0x4444)); // r-- for all
        }
        const bool used = problem == StoreProblem::None;
        // Not read when locked: closing the file would let go of the lock.
        const QByteArray before = used ? fileBytes(s.path()) : QByteArray();
        const QStringList lines = runChild(
            s.path(), wrapper, existing.endsWith("Chinese run") ? kChineseOffset : kEnglishOffset);
        other.reset();
        QFile::setPermissions(s.dir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(lines.value(0),
            QStringLiteral("%1 %2 %3").arg(int(problem)).arg(rowCount).arg(int(used)));
        const QString text = lines.value(1);
        QVERIFY2(text.contains(s.path()) && text.contains(told), qPrintable(text));
        if (used) { // the old bytes under a dated name beside the new file
            const QRegularExpression dated(
                QRegularExpression::escape(s.path()) + QStringLiteral("\\.broken-\\d{8}-\\d{6}"));
            QCOMPARE(fileBytes(dated.match(text).captured()), before);
        }
        if (seeded)
            QCOMPARE(s.rows(PlanOrder::Stored), mixedPlan());
    }

    // The database lies beside the program while its folder can be written
    // to and it is not installed; an installed program keeps it in the
    // user's data folder, whoever runs it.
    void databaseLocation()
    {
        QTemporaryDir data;
        QFile::setPermissions(data.path(), QFileDevice::Permissions(0x7777));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PLANDOR_DB"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        const QString programDir = QCoreApplication::applicationDirPath();
        if (QFileInfo(programDir).isWritable()) // a build folder
            QCOMPARE(runChild("where", {}, kEnglishOffset, env).value(0),
                programDir + QStringLiteral("/FileDB2000.db"));
        const auto inDataFolder = [&data](const QString &path) {
            return path.startsWith(data.path() + QLatin1Char('/'))
                && path.endsWith(QStringLiteral("/FileDB2000.db"));
        };
        // Installed as the package does, in a bin folder that this user can
        // write to (root's /usr/bin): still the data folder.
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin"))
            && QDir(prefix.path()).mkpath(QStringLiteral("share/plandor")));
        const QString copy = prefix.filePath(QStringLiteral("bin/tst_store"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QProcess child;
        env.insert(QString::fromLatin1(kChildEnv), QStringLiteral("where"));
        child.setProcessEnvironment(env);
        child.start(copy, {});
        QVERIFY(child.waitForFinished(60000) && child.exitCode() == 0);
        const QString fromBin = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        QVERIFY2(inDataFolder(fromBin), qPrintable(fromBin));
        QVERIFY(!QFileInfo::exists(prefix.filePath(QStringLiteral("bin/FileDB2000.db"))));

        if (QFileInfo(programDir).isWritable() && geteuid() != 0)
            QSKIP("needs root or an unwritable program folder");
        const QString installed = runChild("where", unprivileged(), kEnglishOffset, env).value(0);
        QVERIFY2(inDataFolder(installed), qPrintable(installed));
        QVERIFY(QFileInfo(QFileInfo(installed).path()).isDir()); // the folder is made
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const QString child = qEnvironmentVariable(kChildEnv); !child.isEmpty())
        return childMain(child);
    StoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store.moc"
