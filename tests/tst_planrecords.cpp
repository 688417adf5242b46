// The plan and the panel as the records that travel through the device link.
#include "TempStore.h"
#include "transfer/PlanRecords.h"

#include <QtTest>

#include <limits>

using namespace plandor;

using plandor::test::TempStore;

class PlanRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    // Positions follow the rows' order whatever their IDs and stop at the
    // 8-bit limit instead of wrapping; a field without a value goes as an
    // empty text or 0.
    void sendRecords()
    {
        QList<ChannelValues> rows = { TempStore::row(7, "2", "TV", 55.25, 4.5), ChannelValues {} };
        for (int i = 1; i < PlanRecords::kMaxSendChannels; ++i)
            rows.append(TempStore::row(i + 10, "C", "TV", 200.0 + i, 6.5));
        const LinkRecordArray records = PlanRecords::toSendRecords(rows);
        QCOMPARE(records.upperBound(), 256);
        // Id, Type, Position, Freq, Spare1, Name, Audio1, Spare2, SpareText
        QCOMPARE(records.at(1), LinkRecord({ 0, "TV", 1, 55.25f, 0, "2", 4.5f, 0, {} }));
        QCOMPARE(records.at(2), LinkRecord({ 0, {}, 2, 0.0f, 0, {}, 0.0f, 0, {} }));
        QCOMPARE(records.at(255).Position, quint8(255));
        QCOMPARE(records.at(256).Position, quint8(0));
    }

    // Each box in its own field from its leading number (empty: 0), the
    // span's halves to even, and only exactly "dBmV" sends Unit 2. Out of
    // range values: tst_rules.
    void toFavorites_data()
    {
        QTest::addColumn<QStringList>("texts"); // bandwidth, fifth favourite, unit
        QTest::addColumn<FavoritesRecord>("expected");
        QTest::newRow("4.5, dbmv") << QStringList { "4.5", "12ab", "dbmv" }
                                   << FavoritesRecord { 1, 2, 3, 4, 12, 6, 4, kUnitDbuV };
        QTest::newRow("5.5, dBmV") << QStringList { "5.5", "", "dBmV" }
                                   << FavoritesRecord { 1, 2, 3, 4, 0, 6, 6, kUnitDbmV };
    }
    void toFavorites()
    {
        QFETCH(QStringList, texts);
        QFETCH(FavoritesRecord, expected);
        QCOMPARE(
            PlanRecords::toFavorites({ { "1", "2", "3", "4", texts[1], "6" }, texts[2], texts[0] }),
            expected);
    }

    // IDs start at the array's lower bound and a Freq of 0 ends the list.
    // Single-precision values are stored as the number their text names, a
    // non-finite one as a field without a value (which the rules refuse; the
    // row is kept), and texts the link never set as empty texts, not missing
    // values.
    void received()
    {
        const float inf = std::numeric_limits<float>::infinity();
        LinkRecordArray records { 0,
            { { 77, {}, 9, 55.25f, 0, {}, 7.3f, 0, {} },
                { 77, "TV", 9, inf, 0, "B", 7.3f, 0, {} } } };
        const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
        ChannelValues noFreq = TempStore::row(1, "B", "TV", 0, 7.3);
        noFreq.setValue(ColumnFreq, QVariant());
        QCOMPARE(rows, (QList { TempStore::row(0, "", "", 55.25, 7.3), noFreq }));
        QVERIFY(!rows[0].value(ColumnName).toString().isNull()
            && !rows[0].value(ColumnType).toString().isNull());
        records.items[0].Freq = 0;
        QVERIFY(PlanRecords::fromReceived(records).isEmpty());
    }
};

QTEST_GUILESS_MAIN(PlanRecordsTest)
#include "tst_planrecords.moc"
