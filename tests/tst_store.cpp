// The channel store: the statements the program issues, the values it
// refuses, the files it cannot use, and what survives a failed operation.
#include "TempStore.h"
#include "store/ChannelStore.h"
#include "store/StoreConnection.h"

#include <QSqlQuery>
#include <QtTest>

#include <optional>

using namespace plandor;
using plandor::test::TempStore;

namespace {

constexpr auto row = &TempStore::row;
const QString kTable = QStringLiteral("ChannelPlanUser");

// Stored in this order; ID order, frequency order and stored order all differ.
QList<ChannelValues> mixedPlan()
{
    return { row(3, "C", "TV", 100.25, 4.5), row(1, "A", "DIGI", 474, 8),
        row(4, "D", "TV", 55.25, 6.5), row(2, "B", "TV", 61.25, 5.5) };
}

// Raw statements on a connection of the store, outside its operations: the
// last one's first value, true when it yields none, invalid on failure.
QVariant rawSql(const ChannelStore &store, const QStringList &statements)
{
    QSqlQuery q(store.database());
    for (const QString &sql : statements) {
        if (!q.exec(sql))
            return {};
    }
    return q.next() ? q.value(0) : QVariant(true);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreConnection::setBusyTimeoutMs(100); }

    void statements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QList<ChannelValues>>("expected"); // a query's rows, else the table by ID
        const QList<ChannelValues> p = mixedPlan(), byId { p[1], p[3], p[0], p[2] };
        QTest::newRow("frequency order, any case")
            << "select * from channelplanuser order by freq" << QList { p[2], p[3], p[0], p[1] };
        QTest::newRow("stored order") << "SELECT * FROM ChannelPlanUser" << p;
        QTest::newRow("table by name") << " ChannelPlanUser " << p;
        QTest::newRow("one row") << " select * from ChannelPlanUser where ID=2" << QList { p[3] };
        QTest::newRow("no row") << "SELECT * FROM ChannelPlanUser where ID=9"
                                << QList<ChannelValues> {};

        QTest::newRow("delete from") << "delete from ChannelPlanUser" << QList<ChannelValues> {};
        QTest::newRow("delete *") << "Delete * FROM ChannelPlanUser " << QList<ChannelValues> {};
        QTest::newRow("delete * where")
            << "DELETE * FROM ChannelPlanUser WHERE ID=3" << QList { byId[0], byId[1], byId[3] };
        QList<ChannelValues> gap = byId, raised = byId;
        for (int i = 1; i < 4; ++i)
            gap[i].values[ColumnId] = qint64(i + 2);
        QTest::newRow("open a gap") << "update ChannelPlanUser SET ID=ID+1 WHERE ID>=2" << gap;
        raised[0].values[ColumnFreq] = 475.0;
        QTest::newRow("update, any case")
            << "update channelplanuser set freq=Freq+1 where id=1" << raised;
    }

    void statements()
    {
        QFETCH(QString, statement);
        QFETCH(QList<ChannelValues>, expected);
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore store;
        if (statement.startsWith(u"delete", Qt::CaseInsensitive)
            || statement.startsWith(u"update", Qt::CaseInsensitive)) {
            QVERIFY2(store.execute(statement), qPrintable(store.errorText()));
            QCOMPARE(store.rowCount(), expected.size());
            QCOMPARE(s.rows(), expected);
            return;
        }
        QList<StoredRow> rows;
        QVERIFY2(store.select(statement, rows), qPrintable(store.errorText()));
        QCOMPARE(rows.size(), expected.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].values, expected[i]);
            QCOMPARE(rows[i].values.values[ColumnFreq].typeId(), QMetaType::Double);
            // The row's identity is its place in the stored order.
            QCOMPARE(mixedPlan().value(int(rows[i].rowId) - 1), expected[i]);
        }
    }

    void nonNumberRefusedWhole_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("column");
        QTest::newRow("append Freq") << "append" << int(ColumnFreq);
        QTest::newRow("append ID") << "append" << int(ColumnId);
        QTest::newRow("update Audio1") << "update" << int(ColumnAudio1);
        QTest::newRow("replace all, Freq") << "replace" << int(ColumnFreq);
    }

    void nonNumberRefusedWhole()
    {
        QFETCH(QString, operation);
        QFETCH(int, column);
        TempStore s;
        s.seed(mixedPlan());
        ChannelStore store;
        ChannelValues bad = row(5, "E", "TV", 471.25, 6.5);
        bad.values[column] = QStringLiteral("abc");
        // A good row before the bad one: the operation takes effect whole or not at all.
        const QList<ChannelValues> rows { row(6, "F", "TV", 479.25, 6.5), bad };
        const bool ok = operation == QLatin1String("append") ? store.append(rows)
            : operation == QLatin1String("replace")          ? store.replaceAll(rows)
                                                             : store.update(1, bad);
        QVERIFY2(!ok && !store.errorText().isEmpty(), "refused, with the reason");
        QCOMPARE(s.rows(kTable), mixedPlan());
    }

    void whatLiesAtThePath_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("usable");
        QTest::newRow("no file") << "none" << true;
        QTest::newRow("empty file") << "empty" << true;
        QTest::newRow("database without the table") << "other table" << true;
        QTest::newRow("directory") << "directory" << false;
        QTest::newRow("not a database") << "noise" << false;
        QTest::newRow("locked by another connection") << "locked" << false;
    }

    void whatLiesAtThePath()
    {
        QFETCH(QString, existing);
        QFETCH(bool, usable);
        TempStore s;
        std::optional<ChannelStore> other;
        if (existing == QLatin1String("empty") || existing == QLatin1String("noise")) {
            QFile f(s.path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(existing == QLatin1String("noise") ? 8192 : 0, '\x5a'));
        } else if (existing == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir(s.path()));
        } else if (existing == QLatin1String("other table")) {
            QVERIFY(rawSql(ChannelStore(),
                { "DROP TABLE ChannelPlanUser", "CREATE TABLE Notes (Line TEXT)",
                    "INSERT INTO Notes VALUES ('kept')" })
                        .isValid());
        } else if (existing == QLatin1String("locked")) {
            s.seed(mixedPlan());
            other.emplace();
            QVERIFY(rawSql(*other, { "BEGIN EXCLUSIVE" }).isValid());
        }
        const QByteArray before = fileBytes(s.path());
        {
            ChannelStore store;
            QCOMPARE(store.rowCount(), usable ? 0 : -1);
            QCOMPARE(store.append({ row(1, "2", "TV", 46, 4.5) }), usable);
            if (!usable) {
                QList<StoredRow> rows;
                QVERIFY(!store.select(QStringLiteral("SELECT * FROM ChannelPlanUser"), rows));
                QVERIFY(!store.errorText().isEmpty());
                QVERIFY(!store.replaceAll({ row(1, "2", "TV", 46, 4.5) }));
                QVERIFY(!store.execute(QStringLiteral("delete * from ChannelPlanUser")));
                QVERIFY(!store.begin());
            }
        }
        if (usable) {
            QCOMPARE(s.rows(), (QList<ChannelValues> { row(1, "2", "TV", 46, 4.5) }));
            if (existing == QLatin1String("other table")) // left alone
                QCOMPARE(rawSql(ChannelStore(), { "SELECT Line FROM Notes" }), QVariant("kept"));
            return;
        }
        QCOMPARE(fileBytes(s.path()), before);
        QCOMPARE(QFileInfo(s.path()).isDir(), existing == QLatin1String("directory"));
        QVERIFY(!QFile::exists(s.path() + QStringLiteral("-journal")));
        if (other) {
            other.reset(); // the other connection lets go: the plan is as it was
            QCOMPARE(s.rows(kTable), mixedPlan());
        }
    }

    void transactionUndoneUnlessCommitted()
    {
        TempStore s;
        s.seed(mixedPlan());
        for (const bool commit : { false, true }) {
            ChannelStore store;
            auto transaction = store.begin();
            QVERIFY(transaction);
            QVERIFY(store.execute(QStringLiteral("Delete * FROM ChannelPlanUser ")));
            QVERIFY(store.append({ row(1, "A", "TV", 46, 4.5) }));
            QVERIFY(
                store.execute(QStringLiteral("update ChannelPlanUser SET ID=ID+1 WHERE ID>=1")));

            // Meanwhile another operation reads the last committed plan and cannot write.
            ChannelStore other;
            QCOMPARE(s.rows(kTable), mixedPlan());
            QVERIFY(!other.replaceAll({ row(1, "2", "TV", 46, 4.5) }));
            QVERIFY(!other.errorText().isEmpty());
            QVERIFY(!other.begin());

            if (commit) {
                QVERIFY(store.commit(*transaction));
                QVERIFY(!store.commit(*transaction)); // not twice
            }
            transaction.reset();
            QCOMPARE(s.rows(kTable), commit ? QList { row(2, "A", "TV", 46, 4.5) } : mixedPlan());
        }
    }
};

QTEST_MAIN(StoreTest)
#include "tst_store.moc"
