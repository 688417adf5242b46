// The channel store: the orders it reads in, the one replace-plan path, undo
// snapshots, the values it refuses, and the files it cannot use (not a
// database, truncated, a folder, locked, read-only, a full disk).
//
// The program is its own child process for the cases that need another
// user or a file size limit: started with PLANDOR_STORE_CHILD set to the
// database path, it opens the store, replaces the plan and prints the outcome.
#include "OtherConnection.h"
#include "TempStore.h"
#include "base/Language.h"
#include "store/ChannelStore.h"
#include "store/DatabaseLocation.h"
#include "store/StoreConnection.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

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

QList<ChannelValues> valuesOf(const QList<StoredRow> &rows)
{
    QList<ChannelValues> values;
    for (const StoredRow &r : rows)
        values.append(r.values);
    return values;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The child's side: open, count, replace; one line "problem count ok", then the text.
int childMain(const QString &path)
{
    if (path == QLatin1String("where")) { // where the program keeps its database
        std::printf("%s\n", DatabaseLocation::path().toUtf8().constData());
        return 0;
    }
    LanguageOffset = qint16(qEnvironmentVariableIntValue("PLANDOR_STORE_LANG"));
    ChannelStore store(path);
    const int count = store.rowCount();
    const bool ok = store.isOpen() && store.replacePlan(bigPlan(3000));
    std::printf("%d %d %d\n%s\n", int(store.problem()), count, int(ok),
        store.errorText().toUtf8().constData());
    return 0;
}

struct ChildOutcome
{
    StoreProblem problem = StoreProblem::Other;
    int rowCount = -2;
    bool replaced = false;
    QString text;
};

// Runs the child on path, through a wrapper (program and arguments before
// the child's own path); its first line of output.
QString runChildRaw(const QString &path, QStringList wrapper, qint16 language,
    const QProcessEnvironment &base = QProcessEnvironment::systemEnvironment())
{
    QProcess child;
    QProcessEnvironment env = base;
    env.insert(QString::fromLatin1(kChildEnv), path);
    env.insert(QStringLiteral("PLANDOR_STORE_LANG"), QString::number(language));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wrapper.append(QCoreApplication::applicationFilePath());
    child.start(wrapper.takeFirst(), wrapper);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput());
}

std::optional<ChildOutcome> runChild(const QString &path, QStringList wrapper, qint16 language)
{
    const QStringList lines = runChildRaw(path, wrapper, language).split(u'\n');
    const QStringList numbers = lines.value(0).split(u' ');
    if (numbers.size() != 3)
        return std::nullopt;
    return ChildOutcome { StoreProblem(numbers[0].toInt()), numbers[1].toInt(),
        numbers[2] == QLatin1String("1"), lines.value(1) };
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreConnection::setBusyTimeoutMs(100); }
    void init() { LanguageOffset = kEnglishOffset; }

    void orders_data()
    {
        QTest::addColumn<PlanOrder>("order");
        QTest::addColumn<QList<int>>("storedPlaces");
        // Equal frequencies keep their stored order.
        QTest::newRow("by frequency") << PlanOrder::ByFreq << QList { 2, 0, 3, 1 };
        QTest::newRow("by ID") << PlanOrder::ById << QList { 1, 3, 0, 2 };
        QTest::newRow("stored") << PlanOrder::Stored << QList { 0, 1, 2, 3 };
    }
    void orders()
    {
        QFETCH(PlanOrder, order);
        QFETCH(QList<int>, storedPlaces);
        TempStore s;
        s.seed(mixedPlan());
        QList<StoredRow> rows;
        QVERIFY2(s.store().rows(order, rows), qPrintable(s.store().errorText()));
        QCOMPARE(rows.size(), storedPlaces.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].values, mixedPlan()[storedPlaces[i]]);
            QCOMPARE(rows[i].rowId, storedPlaces[i] + 1);
            QCOMPARE(rows[i].values.values[ColumnFreq].typeId(), QMetaType::Double);
            QCOMPARE(rows[i].values.values[ColumnId].typeId(), QMetaType::LongLong);
        }
        QCOMPARE(s.store().rowCount(), 4);
    }

    // A row is found and written by its identity, whatever its ID says.
    void rowByIdentity()
    {
        TempStore s;
        s.seed(mixedPlan() + QList { row(1, "A2", "TV", 60, 6.5) }); // a second ID 1
        ChannelStore &store = s.store();
        const std::optional<StoredRow> fifth = store.row(5);
        QVERIFY(fifth);
        QCOMPARE(fifth->values, row(1, "A2", "TV", 60, 6.5));

        QVERIFY2(store.update(5, row(7, "Z", "DIGI", 800, 8)), qPrintable(store.errorText()));
        QList<ChannelValues> expected = mixedPlan() + QList { row(7, "Z", "DIGI", 800, 8) };
        QCOMPARE(s.rows(PlanOrder::Stored), expected);

        QVERIFY(!store.row(9));
        QVERIFY(store.errorText().isEmpty()); // no such row is not a failure
        QVERIFY(!store.update(9, row(7, "Z", "DIGI", 800, 8)));
        QVERIFY(!store.errorText().isEmpty());
        QCOMPARE(s.rows(PlanOrder::Stored), expected);
    }

    void replacePlanNumbers_data()
    {
        QTest::addColumn<QList<ChannelValues>>("given");
        QTest::addColumn<QStringList>("namesInOrder");
        const QList<ChannelValues> m = mixedPlan();
        QTest::newRow("by ID") << m << QStringList { "A", "B", "C", "D" };
        ChannelValues noId = row(0, "N", "TV", 46, 4.5);
        noId.values[ColumnId] = QVariant();
        // Equal IDs keep their given order; a row without an ID comes first.
        QTest::newRow("equal and missing IDs") << QList { row(2, "X", "TV", 46, 4.5), m[1],
            row(2, "Y", "TV", 47, 4.5), noId } << QStringList { "N", "A", "X", "Y" };
        QTest::newRow("empty") << QList<ChannelValues> {} << QStringList {};
    }
    void replacePlanNumbers()
    {
        QFETCH(QList<ChannelValues>, given);
        QFETCH(QStringList, namesInOrder);
        TempStore s;
        s.seed(mixedPlan());
        QVERIFY2(s.store().replacePlan(given), qPrintable(s.store().errorText()));
        const QList<ChannelValues> stored = s.rows(PlanOrder::Stored);
        QCOMPARE(stored.size(), namesInOrder.size());
        for (int i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i].values[ColumnId], QVariant(qint64(i + 1)));
            QCOMPARE(stored[i].values[ColumnName].toString(), namesInOrder[i]);
        }
    }

    // A text in a number column is refused, and the whole change with it.
    void refusedWhole_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("column");
        QTest::newRow("replace plan, Freq") << "replace" << int(ColumnFreq);
        QTest::newRow("update, Audio1") << "update" << int(ColumnAudio1);
        QTest::newRow("restore, Freq") << "restore" << int(ColumnFreq);
    }
    void refusedWhole()
    {
        QFETCH(QString, operation);
        QFETCH(int, column);
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore &store = s.store();
        ChannelValues bad = row(5, "E", "TV", 471.25, 6.5);
        bad.values[column] = QStringLiteral("abc");
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
        QCOMPARE(store.problem(), StoreProblem::None);
    }

    // Undo puts back exactly the table it took, identities included.
    void snapshotAndRestore()
    {
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore &store = s.store();
        QVERIFY(store.update(2, row(1, "A", "DIGI", 482, 8))); // identities 1, 2, 3, 4
        const std::optional<QList<StoredRow>> before = store.snapshot();
        QVERIFY(before && before->size() == 4);

        QVERIFY(store.replacePlan({ row(1, "X", "TV", 46, 4.5) }));
        QVERIFY(store.restore(*before));
        QCOMPARE(store.snapshot(), before);
        QCOMPARE(store.row(2)->values, row(1, "A", "DIGI", 482, 8));

        QVERIFY(store.restore({}));
        QCOMPARE(store.rowCount(), 0);
        // Identities with gaps, out of order: as given.
        const QList<StoredRow> gaps { { 9, mixedPlan()[0] }, { 4, mixedPlan()[1] } };
        QVERIFY(store.restore(gaps));
        QCOMPARE(valuesOf(*store.snapshot()), (QList { mixedPlan()[1], mixedPlan()[0] }));
        QCOMPARE(store.snapshot()->constFirst().rowId, 4);
    }

    // What the store does with whatever lies at its path when it opens.
    void whatLiesAtThePath_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<StoreProblem>("problem");
        QTest::addColumn<bool>("movedAside");
        QTest::newRow("no file") << "none" << StoreProblem::None << false;
        QTest::newRow("empty file") << "empty" << StoreProblem::None << false;
        QTest::newRow("database without the table") << "other table" << StoreProblem::None << false;
        QTest::newRow("random bytes") << "noise" << StoreProblem::None << true;
        QTest::newRow("truncated database") << "truncated" << StoreProblem::None << true;
        QTest::newRow("a folder") << "directory" << StoreProblem::CannotOpen << false;
        QTest::newRow("locked by another program") << "locked" << StoreProblem::Busy << false;
    }
    void whatLiesAtThePath()
    {
        QFETCH(QString, existing);
        QFETCH(StoreProblem, problem);
        QFETCH(bool, movedAside);
        TempStore s;
        std::optional<OtherConnection> other;
        if (existing == QLatin1String("empty") || existing == QLatin1String("noise")) {
            QFile f(s.path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray noise(existing == QLatin1String("noise") ? 8192 : 0, '\0');
            for (char &c : noise)
                c = char(QRandomGenerator::global()->generate());
            f.write(noise);
        } else if (existing == QLatin1String("truncated")) {
            {
                ChannelStore full(s.path());
                QVERIFY(full.replacePlan(bigPlan(2000)));
            }
            QVERIFY(QFile::resize(s.path(), QFileInfo(s.path()).size() / 2));
        } else if (existing == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir(s.path()));
        } else if (existing == QLatin1String("other table")) {
            OtherConnection notes(s.path(), QStringLiteral("CREATE TABLE Notes (Line TEXT)"));
            QVERIFY(notes.ok());
        } else if (existing == QLatin1String("locked")) {
            s.seed(mixedPlan());
        }
        if (existing == QLatin1String("locked")) {
            other.emplace(s.path(), QStringLiteral("BEGIN EXCLUSIVE"));
            QVERIFY(other->ok());
        }
        const QByteArray before = fileBytes(s.path());

        ChannelStore store(s.path());
        QCOMPARE(store.problem(), problem);
        QCOMPARE(store.isOpen(), problem == StoreProblem::None);
        QCOMPARE(store.movedAsideTo().has_value(), movedAside);
        if (problem != StoreProblem::None) {
            QVERIFY2(store.errorText().contains(s.path()), qPrintable(store.errorText()));
            QVERIFY(!store.replacePlan({ row(1, "2", "TV", 46, 4.5) }));
            QCOMPARE(store.rowCount(), -1);
            QCOMPARE(fileBytes(s.path()), before); // nothing touched
            QCOMPARE(QDir(s.dir()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(),
                existing == QLatin1String("locked") ? 1 : 0);
            return;
        }
        QCOMPARE(store.rowCount(), 0);
        QVERIFY(store.replacePlan({ row(1, "2", "TV", 46, 4.5) }));
        QCOMPARE(store.rowCount(), 1);
        if (existing == QLatin1String("other table")) { // left alone
            OtherConnection notes(s.path(), QStringLiteral("SELECT * FROM Notes"));
            QVERIFY(notes.ok());
        }
        if (!movedAside) {
            QVERIFY(store.movedAsideText().isEmpty());
            return;
        }
        // The old file keeps its bytes under a dated name beside the new one.
        const QString movedTo = *store.movedAsideTo();
        QVERIFY2(QRegularExpression(QStringLiteral("^%1\\.broken-\\d{8}-\\d{6}$")
                                        .arg(QRegularExpression::escape(s.path())))
                     .match(movedTo)
                     .hasMatch(),
            qPrintable(movedTo));
        QCOMPARE(fileBytes(movedTo), before);
        QVERIFY(store.movedAsideText().contains(movedTo));
        QVERIFY(store.movedAsideText().contains(s.path()));
        LanguageOffset = kChineseOffset;
        QVERIFY(store.movedAsideText().contains(QStringLiteral("已被移至")));
    }

    // A read-only folder and file: the plan can be read but not changed, and
    // the user is told so with the path. Run as another user where the test
    // runs as root, whom permissions do not stop.
    void readOnlyMedium_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<qint16>("language");
        QTest::newRow("plan on a read-only medium") << true << kEnglishOffset;
        QTest::newRow("no file, read-only folder, Chinese run") << false << kChineseOffset;
    }
    void readOnlyMedium()
    {
        QFETCH(bool, fileExists);
        QFETCH(qint16, language);
        TempStore s;
        if (fileExists)
            s.seed(mixedPlan());
        const QString folder = s.dir();
        QFile::setPermissions(folder,
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                | QFile::ReadGroup | QFile::ExeGroup);
        if (fileExists)
            QFile::setPermissions(s.path(), QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup);
        QStringList wrapper;
        if (geteuid() == 0)
            wrapper = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
        const auto outcome = runChild(s.path(), wrapper, language);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(outcome);
        QCOMPARE(outcome->problem, StoreProblem::ReadOnly);
        QCOMPARE(outcome->rowCount, fileExists ? 4 : -1);
        QVERIFY(!outcome->replaced);
        QVERIFY2(outcome->text.contains(s.path()), qPrintable(outcome->text));
        QVERIFY2(outcome->text.contains(language == kChineseOffset ? QStringLiteral("只读")
                                                                   : QStringLiteral("read-only")),
            qPrintable(outcome->text));
        if (fileExists)
            QCOMPARE(s.rows(PlanOrder::Stored), mixedPlan());
    }

    // The database lies beside the program while its folder can be written
    // to; an installed program's folder cannot, and the database goes to the
    // user's data folder.
    void databaseLocation()
    {
        QTemporaryDir data;
        QFile::setPermissions(data.path(), QFileDevice::Permissions(0x7777));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PLANDOR_DB"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        const QString programDir = QCoreApplication::applicationDirPath();
        if (QFileInfo(programDir).isWritable()) {
            QCOMPARE(runChildRaw("where", {}, kEnglishOffset, env).trimmed(),
                programDir + QStringLiteral("/FileDB2000.db"));
        }
        QStringList asOtherUser;
        if (geteuid() == 0)
            asOtherUser
                = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
        else if (QFileInfo(programDir).isWritable())
            QSKIP("needs root or an unwritable program folder");
        const QString installed = runChildRaw("where", asOtherUser, kEnglishOffset, env).trimmed();
        QVERIFY2(installed.startsWith(data.path() + QLatin1Char('/'))
                && installed.endsWith(QStringLiteral("/FileDB2000.db")),
            qPrintable(installed));
        QVERIFY(QFileInfo(QFileInfo(installed).path()).isDir()); // the folder is made
    }

    // A write that the disk cannot take leaves the plan as it was and names the file.
    void fullDisk()
    {
        TempStore s;
        s.seed(mixedPlan());
        const qint64 limit = QFileInfo(s.path()).size() + 4096;
        const auto outcome = runChild(s.path(),
            { "bash", "-c",
                QStringLiteral("trap '' XFSZ; exec prlimit --fsize=%1 \"$0\"").arg(limit) },
            kEnglishOffset);
        QVERIFY(outcome);
        QCOMPARE(outcome->rowCount, 4);
        QVERIFY(!outcome->replaced);
        QCOMPARE(outcome->problem, StoreProblem::DiskFull);
        QVERIFY2(outcome->text.contains(s.path()), qPrintable(outcome->text));
        QCOMPARE(s.rows(PlanOrder::Stored), mixedPlan());
    }
};

int main(int argc, char **argv)
{
    const QString child = qEnvironmentVariable(kChildEnv);
    if (!child.isEmpty()) {
        QCoreApplication app(argc, argv);
        return childMain(child);
    }
    QCoreApplication app(argc, argv);
    StoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store.moc"
