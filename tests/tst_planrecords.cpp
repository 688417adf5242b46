// The plan and the panel as the records that travel through the device link.
#include "TempStore.h"
#include "store/RowChecks.h"
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
    // empty text or 0; what is sent comes back as it was.
    void sendRecords()
    {
        QList<ChannelValues> rows = { TempStore::row(7, "2", "TV", 55.25, 4.5), ChannelValues {} };
        for (int i = 1; i < PlanRecords::kMaxSendChannels; ++i)
            rows.append(TempStore::row(i + 10, "C", "TV", 200.0 + i, 6.5));
        const LinkRecordArray records = PlanRecords::toSendRecords(rows);
        QCOMPARE(records.lowerBound, 1);
        QCOMPARE(records.upperBound(), 256);
        // Id, Type, Position, Freq, Spare1, Name, Audio1, Spare2, SpareText
        QCOMPARE(records.at(1), LinkRecord({ 0, "TV", 1, 55.25f, 0, "2", 4.5f, 0, {} }));
        QCOMPARE(records.at(2), LinkRecord({ 0, {}, 2, 0.0f, 0, {}, 0.0f, 0, {} }));
        QCOMPARE(records.at(255).Position, quint8(255));
        QCOMPARE(records.at(256).Position, quint8(0));
        QVERIFY(PlanRecords::toSendRecords({}).isEmpty());
        const QList<ChannelValues> sent = { TempStore::row(1, "S1", "DIGI", 100.1, 7.3) };
        QCOMPARE(PlanRecords::fromReceived(PlanRecords::toSendRecords(sent)), sent);
    }

    // Halves go to even, favourites clamp to 8 bits and the span to 16, and
    // only exactly "dBmV" sends Unit 2.
    void toFavorites_data()
    {
        QTest::addColumn<QStringList>("texts"); // bandwidth, fifth favourite, unit
        QTest::addColumn<QList<int>>("expected"); // Span, Favorite5, Unit
        QTest::newRow("7.3") << QStringList { "7.3", "", "dBmV" } << QList<int> { 7, 0, 2 };
        QTest::newRow("9.9") << QStringList { "9.9", "250", "dBuV" } << QList<int> { 10, 250, 1 };
        QTest::newRow("4.5") << QStringList { "4.5", "300", "" } << QList<int> { 4, 255, 1 };
        QTest::newRow("5.5") << QStringList { "5.5", "-4", "dbmv" } << QList<int> { 6, 0, 1 };
        QTest::newRow("4.5.6") << QStringList { "4.5.6", "12ab", "dBuV" }
                               << QList<int> { 4, 12, 1 };
        QTest::newRow("99999") << QStringList { "99999", "0", "dBuV" }
                               << QList<int> { 32767, 0, 1 };
        QTest::newRow("empty") << QStringList { "", "1", "dBuV" } << QList<int> { 0, 1, 1 };
    }
    void toFavorites()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, expected);
        const FavoritesRecord record = PlanRecords::toFavorites(
            { { "1", "2", "3", "4", texts[1], "6" }, texts[2], texts[0] });
        QCOMPARE(QList<int>({ record.Span, record.Favorite5, record.Unit }), expected);
        QCOMPARE(QList<int>({ record.Favorite1, record.Favorite4, record.Favorite6 }),
            QList<int>({ 1, 4, 6 }));
    }

    // IDs start at the array's lower bound; a Freq of 0 ends the list;
    // single-precision values are stored as the number their text names, and
    // texts the link never set as empty texts, not missing values.
    void received_data()
    {
        QTest::addColumn<int>("lowerBound");
        QTest::addColumn<QList<double>>("freqs");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("from 1") << 1 << QList<double> { 55.25, 100.1 } << QList<int> { 1, 2 };
        QTest::newRow("from 0") << 0 << QList<double> { 55.25, 863.25 } << QList<int> { 0, 1 };
        QTest::newRow("Freq 0 ends") << 1 << QList<double> { 100.1, 0, 62.25 } << QList<int> { 1 };
        QTest::newRow("Freq 0 first") << 0 << QList<double> { 0, 55.25 } << QList<int> {};
    }
    void received()
    {
        QFETCH(int, lowerBound);
        QFETCH(QList<double>, freqs);
        QFETCH(QList<int>, ids);
        LinkRecordArray records;
        records.lowerBound = lowerBound;
        for (double freq : freqs)
            records.items.append({ 77, {}, 9, float(freq), 0, {}, 7.3f, 0, {} });
        const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
        QCOMPARE(rows.size(), ids.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].values[ColumnId], QVariant(qint32(ids[i])));
            QCOMPARE(rows[i].values[ColumnFreq], QVariant(freqs[i]));
            QCOMPARE(rows[i].values[ColumnAudio1], QVariant(7.3));
            QCOMPARE(rows[i].values[ColumnName].toString(), QString());
            QVERIFY(!rows[i].values[ColumnName].toString().isNull());
            QVERIFY(!rows[i].values[ColumnType].toString().isNull());
        }
    }

    // A non-finite number becomes a field without a value, which the rules
    // refuse; the row is kept.
    void nonFiniteReceived()
    {
        LinkRecordArray records;
        records.lowerBound = 1;
        records.items = { LinkRecord { 0, "TV", 1, 55.25f, 0, "A", 6.5f, 0, {} },
            LinkRecord {
                0, "TV", 2, std::numeric_limits<float>::infinity(), 0, "B", 6.5f, 0, {} } };
        const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows[1].values[ColumnFreq].isNull());
        const QList<RowRefusal> refusals = RowChecks::check(rows);
        QCOMPARE(refusals.size(), 1);
        QCOMPARE(refusals[0].row, 1);
        QCOMPARE(refusals[0].refusal.column, int(ColumnFreq));
    }
};

QTEST_GUILESS_MAIN(PlanRecordsTest)
#include "tst_planrecords.moc"
