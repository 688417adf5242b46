// Insert, paste, delete and renumbering on the store's shared connection:
// the plan's numbering after each, the stored order, and all or nothing when
// the file cannot be written.
#include "OtherConnection.h"
#include "TempStore.h"

#include "store/ChannelStore.h"
#include "store/RecordOperations.h"
#include "store/StoreConnection.h"

#include <QtTest>

using namespace plandor;
using namespace plandor::test;

namespace {

// IDs 1..n named C1..Cn; frequency rises with ID unless falling is set.
QList<ChannelValues> plan(int n, bool falling = false)
{
    QList<ChannelValues> rows;
    for (int i = 1; i <= n; ++i)
        rows.append(TempStore::row(
            i, QStringLiteral("C%1").arg(i), "TV", falling ? 1000.0 - i * 7 : 46.0 + i * 7, 4.5));
    return rows;
}

// "ID:name" of each row in stored order. The operations leave that the ID
// order, so it shows both.
QString listing(TempStore &s)
{
    QStringList texts;
    for (const ChannelValues &r : s.rows(PlanOrder::Stored))
        texts.append(r.value(ColumnId).toString() + ':' + r.value(ColumnName).toString());
    return texts.join(' ');
}

} // namespace

class RecordOperationsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { StoreConnection::setBusyTimeoutMs(50); }

    // A new channel goes in at the position under the highest name from 250
    // down that no row has as ID; with every name taken nothing changes.
    void insertAt_data()
    {
        QTest::addColumn<QList<ChannelValues>>("seeded");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name"); // none: refused as full
        QTest::newRow("empty plan") << QList<ChannelValues> {} << 1 << "250";
        QTest::newRow("before row 3 of 5") << plan(5) << 3 << "250";
        QTest::newRow("every name but 1 taken") << plan(250).mid(1) << 1 << "1";
        QTest::newRow("every name taken") << plan(250) << 1 << "";
    }
    void insertAt()
    {
        QFETCH(QList<ChannelValues>, seeded);
        QFETCH(int, position);
        QFETCH(QString, name);
        TempStore s;
        s.seed(seeded);
        QString given;
        using Result = RecordOperations::InsertResult;
        QCOMPARE(RecordOperations(s.store()).insertAt(position, &given),
            name.isEmpty() ? Result::Full : Result::Inserted);
        QCOMPARE(given, name);
        QList<ChannelValues> expected = seeded;
        if (!name.isEmpty())
            expected.insert(position - 1, TempStore::row(position, name, "TV", 46, 4.5));
        for (int i = 0; i < expected.size(); ++i)
            expected[i].setValue(ColumnId, qint64(i + 1));
        QCOMPARE(s.rows(PlanOrder::Stored), expected);
    }

    // The IDs are remembered, not the rows: a second paste copies what
    // carries those IDs then. Each copy comes right after its source.
    void pasteTwice()
    {
        TempStore s;
        s.seed(plan(5, true));
        RecordOperations operations(s.store());
        QVERIFY2(operations.pasteIds({ 4, 2 }), qPrintable(operations.errorText()));
        QCOMPARE(listing(s), "1:C1 2:C2 3:C2 4:C3 5:C4 6:C4 7:C5");
        QVERIFY(operations.pasteIds({ 4, 2 }));
        QCOMPARE(listing(s), "1:C1 2:C2 3:C2 4:C2 5:C3 6:C3 7:C4 8:C4 9:C5");

        // An ID that no row carries refuses the whole paste.
        const auto before = s.store().snapshot();
        QVERIFY(!operations.pasteIds({ 1, 10 }) && operations.errorText().contains(u"10"));
        QCOMPARE(s.store().snapshot(), before);
    }

    void deleteRows()
    {
        TempStore s;
        s.seed({ TempStore::row(1, "C1", "TV", 400, 4.5), TempStore::row(3, "C3", "TV", 300, 4.5),
            TempStore::row(7, "C7", "TV", 100, 4.5), TempStore::row(9, "C9", "TV", 200, 4.5) });
        QVERIFY(RecordOperations(s.store()).deleteRows({ 3, 2, 99 })); // by identity; 99 is no row
        QCOMPARE(listing(s), "1:C1 2:C9");
    }

    // Renumbering by frequency: rows sharing one keep their stored order. A
    // plan numbered so already is not written; one numbered so but stored
    // out of that order is rewritten, so that the stored order is the ID order.
    void renumber_data()
    {
        QTest::addColumn<QList<ChannelValues>>("seeded");
        QTest::addColumn<PlanOrder>("order");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("written");
        const auto row = &TempStore::row;
        QTest::newRow("by frequency") << QList { row(1, "A", "TV", 500, 4.5),
            row(2, "B", "DIGI", 100, 8), row(3, "C", "TV", 300, 4.5), row(4, "D", "TV", 100, 6),
            row(5, "E", "TV", 46, 4.5) }
                                      << PlanOrder::ByFreq << "1:E 2:B 3:D 4:C 5:A" << true;
        QTest::newRow("numbered already")
            << plan(5) << PlanOrder::ByFreq << "1:C1 2:C2 3:C3 4:C4 5:C5" << false;
        QTest::newRow("numbered, stored out of order")
            << QList { row(2, "B", "TV", 60, 4.5), row(1, "A", "TV", 50, 4.5) } << PlanOrder::ById
            << "1:A 2:B" << true;
        QTest::newRow("gaps, in stored order")
            << QList { row(9, "B", "TV", 60, 4.5), row(3, "A", "TV", 50, 4.5) } << PlanOrder::Stored
            << "1:B 2:A" << true;
    }
    void renumber()
    {
        QFETCH(QList<ChannelValues>, seeded);
        QFETCH(PlanOrder, order);
        QFETCH(QString, stored);
        QFETCH(bool, written);
        TempStore s;
        s.seed(seeded);
        const auto before = s.store().snapshot();
        QVERIFY(RecordOperations(s.store()).renumber(order));
        QCOMPARE(listing(s), stored);
        QCOMPARE(s.store().snapshot() != before, written);
    }

    // While another program writes to the file, every change fails whole,
    // with the reason, reading goes on, and the store works again afterwards.
    void allOrNothing_data()
    {
        QTest::addColumn<bool>("insert"); // else a delete
        QTest::newRow("insert") << true;
        QTest::newRow("delete") << false;
    }
    void allOrNothing()
    {
        QFETCH(bool, insert);
        TempStore s;
        s.seed(plan(4, true));
        const auto before = s.store().snapshot();
        RecordOperations operations(s.store());
        const auto change = [&] {
            return insert ? operations.insertAt(2) == RecordOperations::InsertResult::Inserted
                          : operations.deleteRows({ 1 });
        };
        {
            OtherConnection other(s.path(), QStringLiteral("BEGIN IMMEDIATE"));
            QVERIFY(other.ok());
            QVERIFY(!change());
            QCOMPARE(s.store().problem(), StoreProblem::Busy);
            QVERIFY(operations.errorText().contains(s.path()));
            QCOMPARE(s.store().rowCount(), 4);
        }
        QCOMPARE(s.store().snapshot(), before);
        QVERIFY(change());
        QVERIFY(s.store().snapshot() != before);
    }
};

QTEST_GUILESS_MAIN(RecordOperationsTest)
#include "tst_records_operations.moc"
