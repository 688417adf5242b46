// The channel store: the statements the program issues, the values it
// refuses, the files it cannot use, and what survives a failed operation.
#include "store/ChannelStore.h"
#include "store/StoreConnection.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace plandor;

namespace {

ChannelValues row(qint64 id, const QString &name, const QString &type, double freq, double audio1)
{
    ChannelValues v;
    v.values[ColumnId] = id;
    v.values[ColumnName] = name;
    v.values[ColumnType] = type;
    v.values[ColumnFreq] = freq;
    v.values[ColumnAudio1] = audio1;
    return v;
}

// Stored in this order; ID order, frequency order and stored order all differ.
QList<ChannelValues> mixedPlan()
{
    return { row(3, "C", "TV", 100.25, 4.5), row(1, "A", "DIGI", 474, 8),
        row(4, "D", "TV", 55.25, 6.5), row(2, "B", "TV", 61.25, 5.5) };
}

QList<ChannelValues> valuesOf(const QList<StoredRow> &rows)
{
    QList<ChannelValues> result;
    for (const StoredRow &r : rows)
        result.append(r.values);
    return result;
}

QList<qint64> idsOf(const QList<ChannelValues> &rows)
{
    QList<qint64> ids;
    for (const ChannelValues &r : rows)
        ids.append(r.values[ColumnId].toLongLong());
    return ids;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A second program's connection, outside the store's classes.
class ForeignConnection
{
public:
    explicit ForeignConnection(const QString &path)
        : m_name(QStringLiteral("foreign-%1").arg(++s_counter))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~ForeignConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql);
    }
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    static inline int s_counter = 0;
    QString m_name;
};

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void queriesKeepTheirOrder_data();
    void queriesKeepTheirOrder();
    void emptyingStatements_data();
    void emptyingStatements();
    void deleteAndOpenGap();
    void columnNamesIgnoreCase();
    void nonNumberRefused_data();
    void nonNumberRefused();
    void rowIdentitySurvivesDuplicateId();
    void missingFileOrTableCreated_data();
    void missingFileOrTableCreated();
    void unusableFileUntouched_data();
    void unusableFileUntouched();
    void writerLockedOutReaderNot();
    void failedOperationKeepsTable();

private:
    QString dbPath() const { return m_dir->path() + QStringLiteral("/FileDB2000.db"); }
    QList<ChannelValues> all(
        const QString &sql = QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID"));
    void seed(const QList<ChannelValues> &rows);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void StoreTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    StoreConnection::setBusyTimeoutMs(100);
}

void StoreTest::cleanup()
{
    m_dir.reset();
}

QList<ChannelValues> StoreTest::all(const QString &sql)
{
    ChannelStore store(dbPath());
    QList<StoredRow> rows;
    if (!store.select(sql, rows))
        qWarning("select failed: %s", qPrintable(store.errorText()));
    return valuesOf(rows);
}

void StoreTest::seed(const QList<ChannelValues> &rows)
{
    ChannelStore store(dbPath());
    QVERIFY2(store.replaceAll(rows), qPrintable(store.errorText()));
}

void StoreTest::queriesKeepTheirOrder_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QList<qint64>>("ids");
    QTest::newRow("frequency order")
        << "SELECT * FROM ChannelPlanUser ORDER BY Freq" << QList<qint64> { 4, 2, 3, 1 };
    QTest::newRow("ID order") << "SELECT * FROM ChannelPlanUser ORDER BY ID"
                              << QList<qint64> { 1, 2, 3, 4 };
    QTest::newRow("stored order") << "SELECT * FROM ChannelPlanUser"
                                  << QList<qint64> { 3, 1, 4, 2 };
    QTest::newRow("table by name") << " ChannelPlanUser " << QList<qint64> { 3, 1, 4, 2 };
    QTest::newRow("one row, leading blank")
        << " select * from ChannelPlanUser where ID=2" << QList<qint64> { 2 };
    QTest::newRow("one row") << "SELECT * FROM ChannelPlanUser where ID=4" << QList<qint64> { 4 };
    QTest::newRow("no row") << "SELECT * FROM ChannelPlanUser where ID=9" << QList<qint64> {};
}

void StoreTest::queriesKeepTheirOrder()
{
    QFETCH(QString, statement);
    QFETCH(QList<qint64>, ids);
    seed(mixedPlan());
    ChannelStore store(dbPath());
    QList<StoredRow> rows;
    QVERIFY2(store.select(statement, rows), qPrintable(store.errorText()));
    // The client-side count after a query is the number of rows it yielded.
    QCOMPARE(rows.size(), ids.size());
    QCOMPARE(idsOf(valuesOf(rows)), ids);
    // Whole rows come back with their kinds: numbers as numbers.
    for (const StoredRow &r : rows) {
        QVERIFY(r.rowId > 0);
        const ChannelValues expected = mixedPlan().at(int(r.rowId) - 1);
        QCOMPARE(r.values, expected);
        QCOMPARE(r.values.values[ColumnFreq].typeId(), QMetaType::Double);
    }
}

void StoreTest::emptyingStatements_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("delete from") << "delete from ChannelPlanUser";
    QTest::newRow("delete * from") << "delete * from ChannelPlanUser";
    QTest::newRow("renumber's form") << "Delete * FROM ChannelPlanUser ";
}

void StoreTest::emptyingStatements()
{
    QFETCH(QString, statement);
    seed(mixedPlan());
    ChannelStore store(dbPath());
    QCOMPARE(store.rowCount(), 4);
    QVERIFY2(store.execute(statement), qPrintable(store.errorText()));
    QCOMPARE(store.rowCount(), 0);
    QList<StoredRow> rows;
    QVERIFY(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser"), rows));
    QVERIFY(rows.isEmpty());
}

void StoreTest::deleteAndOpenGap()
{
    seed({ row(1, "A", "TV", 48.25, 6.5), row(2, "B", "TV", 55.25, 6.5),
        row(3, "C", "TV", 62.25, 6.5), row(4, "D", "TV", 175.25, 6.5) });
    ChannelStore store(dbPath());
    QVERIFY2(store.execute(QStringLiteral("DELETE * FROM ChannelPlanUser WHERE ID=3")),
        qPrintable(store.errorText()));
    QCOMPARE(idsOf(all()), (QList<qint64> { 1, 2, 4 }));
    QVERIFY2(store.execute(QStringLiteral("update ChannelPlanUser SET ID=ID+1 WHERE ID>=2")),
        qPrintable(store.errorText()));
    const QList<ChannelValues> rows = all();
    QCOMPARE(idsOf(rows), (QList<qint64> { 1, 3, 5 }));
    // The rows moved, their other values did not.
    QCOMPARE(rows[1].values[ColumnName].toString(), QStringLiteral("B"));
    QCOMPARE(rows[2].values[ColumnName].toString(), QStringLiteral("D"));
}

void StoreTest::columnNamesIgnoreCase()
{
    seed(mixedPlan());
    QCOMPARE(all(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY freq")),
        all(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY Freq")));
    QCOMPARE(all(QStringLiteral("select * from channelplanuser order by id")),
        all(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID")));

    ChannelStore store(dbPath());
    QVERIFY(store.execute(QStringLiteral("update ChannelPlanUser SET freq=99.5 WHERE id=1")));
    QVERIFY(store.execute(QStringLiteral("update ChannelPlanUser SET Freq=Freq+1 WHERE ID=1")));
    QList<StoredRow> rows;
    QVERIFY(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser where ID=1"), rows));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].values.values[ColumnFreq].toDouble(), 100.5);
}

void StoreTest::nonNumberRefused_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("viaUpdate");
    QTest::newRow("append Freq") << int(ColumnFreq) << false;
    QTest::newRow("append Audio1") << int(ColumnAudio1) << false;
    QTest::newRow("append ID") << int(ColumnId) << false;
    QTest::newRow("update Freq") << int(ColumnFreq) << true;
    QTest::newRow("update Audio1") << int(ColumnAudio1) << true;
}

void StoreTest::nonNumberRefused()
{
    QFETCH(int, column);
    QFETCH(bool, viaUpdate);
    seed(mixedPlan());
    const QList<ChannelValues> before = all();

    ChannelStore store(dbPath());
    ChannelValues bad = row(5, "E", "TV", 471.25, 6.5);
    bad.values[column] = QVariant(QStringLiteral("abc"));
    bool ok = false;
    if (viaUpdate) {
        QList<StoredRow> rows;
        QVERIFY(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser where ID=1"), rows));
        ok = store.update(rows.value(0).rowId, bad);
    } else {
        // A good row before the bad one: the append takes effect whole or not at all.
        ok = store.append({ row(5, "E", "TV", 471.25, 6.5), bad });
    }
    QVERIFY(!ok);
    QVERIFY(!store.errorText().isEmpty());
    QCOMPARE(all(), before);
}

void StoreTest::rowIdentitySurvivesDuplicateId()
{
    seed(mixedPlan());
    ChannelStore store(dbPath());
    QList<StoredRow> rows;
    QVERIFY(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY ID"), rows));
    // Row with ID 4 takes ID 2, which row "B" already holds.
    StoredRow moved = rows[3];
    moved.values.values[ColumnId] = qint64(2);
    moved.values.values[ColumnName] = QStringLiteral("X");
    QVERIFY2(store.update(moved.rowId, moved.values), qPrintable(store.errorText()));

    QList<StoredRow> after;
    QVERIFY(store.select(QStringLiteral("SELECT * FROM ChannelPlanUser where ID=2"), after));
    QCOMPARE(after.size(), 2);
    QStringList names;
    for (const StoredRow &r : after) {
        names.append(r.values.values[ColumnName].toString());
        if (r.rowId == moved.rowId)
            QCOMPARE(r.values, moved.values);
    }
    names.sort();
    QCOMPARE(names, (QStringList { "B", "X" }));
    QCOMPARE(store.rowCount(), 4);
}

void StoreTest::missingFileOrTableCreated_data()
{
    QTest::addColumn<QString>("existing"); // what lies at the path beforehand
    QTest::newRow("no file") << "none";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("database without the table") << "other table";
}

void StoreTest::missingFileOrTableCreated()
{
    QFETCH(QString, existing);
    if (existing == QLatin1String("empty")) {
        QFile f(dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (existing == QLatin1String("other table")) {
        ForeignConnection other(dbPath());
        QVERIFY(other.exec(QStringLiteral("CREATE TABLE Notes (Line TEXT)")));
        QVERIFY(other.exec(QStringLiteral("INSERT INTO Notes VALUES ('kept')")));
    }
    {
        ChannelStore store(dbPath());
        QVERIFY2(store.isOpen(), qPrintable(store.errorText()));
        QCOMPARE(store.rowCount(), 0);
        QVERIFY(store.append({ row(1, "2", "TV", 46, 4.5) }));
    }
    QVERIFY(QFileInfo(dbPath()).isFile());
    QCOMPARE(all(), (QList<ChannelValues> { row(1, "2", "TV", 46, 4.5) }));
    if (existing == QLatin1String("other table")) {
        // The table already there is left alone.
        ForeignConnection other(dbPath());
        QCOMPARE(other.scalar(QStringLiteral("SELECT Line FROM Notes")), QVariant("kept"));
    }
}

void StoreTest::unusableFileUntouched_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("directory") << "directory";
    QTest::newRow("not a database") << "random bytes";
    QTest::newRow("locked by another program") << "locked";
}

void StoreTest::unusableFileUntouched()
{
    QFETCH(QString, kind);
    std::unique_ptr<ForeignConnection> holder;
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(dbPath()));
    } else if (kind == QLatin1String("random bytes")) {
        QByteArray noise(8192, '\0');
        QRandomGenerator gen(42);
        for (char &c : noise)
            c = char(gen.bounded(256));
        QFile f(dbPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(noise);
    } else {
        seed(mixedPlan());
        holder = std::make_unique<ForeignConnection>(dbPath());
        QVERIFY(holder->exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    const QByteArray before = fileBytes(dbPath());

    {
        ChannelStore store(dbPath());
        QList<StoredRow> rows;
        QVERIFY(!store.select(QStringLiteral("SELECT * FROM ChannelPlanUser ORDER BY Freq"), rows));
        QVERIFY(rows.isEmpty());
        QVERIFY(!store.errorText().isEmpty());
        QVERIFY(!store.replaceAll({ row(1, "2", "TV", 46, 4.5) }));
        QVERIFY(!store.errorText().isEmpty());
        QVERIFY(!store.execute(QStringLiteral("delete * from ChannelPlanUser")));
        QCOMPARE(store.rowCount(), -1);
        QVERIFY(!store.begin());
    }

    QCOMPARE(fileBytes(dbPath()), before);
    if (kind == QLatin1String("directory")) {
        QVERIFY(QFileInfo(dbPath()).isDir());
        QVERIFY(QDir(dbPath()).isEmpty());
    }
    QVERIFY(!QFile::exists(dbPath() + QStringLiteral("-journal")));
    if (holder) {
        QVERIFY(holder->exec(QStringLiteral("ROLLBACK")));
        holder.reset();
        // Once the other program lets go, the plan is readable and as it was.
        QCOMPARE(all(QStringLiteral("ChannelPlanUser")), mixedPlan());
    }
}

void StoreTest::writerLockedOutReaderNot()
{
    seed(mixedPlan());
    ChannelStore writer(dbPath());
    auto transaction = writer.begin();
    QVERIFY(transaction);
    QVERIFY(writer.execute(QStringLiteral("delete * from ChannelPlanUser")));

    // A second operation meanwhile reads the last committed plan and cannot write.
    ChannelStore other(dbPath());
    QCOMPARE(all(QStringLiteral("ChannelPlanUser")), mixedPlan());
    QVERIFY(!other.replaceAll({ row(1, "2", "TV", 46, 4.5) }));
    QVERIFY(!other.errorText().isEmpty());
    QVERIFY(!other.begin());

    QVERIFY(writer.commit(*transaction));
    QCOMPARE(all(), QList<ChannelValues>());
}

void StoreTest::failedOperationKeepsTable()
{
    seed(mixedPlan());
    const QList<ChannelValues> before = all(QStringLiteral("ChannelPlanUser"));

    ChannelValues bad = row(3, "C", "TV", 0, 4.5);
    bad.values[ColumnFreq] = QStringLiteral("abc");
    {
        ChannelStore store(dbPath());
        QVERIFY(!store.replaceAll({ row(1, "A", "TV", 46, 4.5), row(2, "B", "TV", 53, 4.5), bad }));
        QVERIFY(!store.errorText().isEmpty());
    }
    QCOMPARE(all(QStringLiteral("ChannelPlanUser")), before);

    // A renumbering that fails after emptying the table and appending part
    // of the rows: dropping the transaction undoes all of it.
    {
        ChannelStore store(dbPath());
        auto transaction = store.begin();
        QVERIFY(transaction);
        QVERIFY(store.execute(QStringLiteral("Delete * FROM ChannelPlanUser ")));
        QVERIFY(store.append({ row(1, "A", "TV", 46, 4.5) }));
        QVERIFY(store.execute(QStringLiteral("update ChannelPlanUser SET ID=ID+1 WHERE ID>=1")));
        QVERIFY(!store.append({ bad }));
    }
    QCOMPARE(all(QStringLiteral("ChannelPlanUser")), before);

    // The same steps committed take effect.
    {
        ChannelStore store(dbPath());
        auto transaction = store.begin();
        QVERIFY(transaction);
        QVERIFY(store.execute(QStringLiteral("Delete * FROM ChannelPlanUser ")));
        QVERIFY(store.append({ row(1, "A", "TV", 46, 4.5) }));
        QVERIFY(store.commit(*transaction));
        // A committed transaction cannot be committed again.
        QVERIFY(!store.commit(*transaction));
    }
    QCOMPARE(all(), (QList<ChannelValues> { row(1, "A", "TV", 46, 4.5) }));
}

QTEST_MAIN(StoreTest)
#include "tst_store.moc"
