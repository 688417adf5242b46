// The plan and the panel as the records that travel through the device link.
#include "transfer/PlanRecords.h"

#include <QtTest>

using namespace plandor;

namespace {

ChannelValues row(const QVariant &id, const QVariant &name, const QVariant &type,
    const QVariant &freq, const QVariant &audio1)
{
    ChannelValues values;
    values.values[ColumnId] = id;
    values.values[ColumnName] = name;
    values.values[ColumnType] = type;
    values.values[ColumnFreq] = freq;
    values.values[ColumnAudio1] = audio1;
    return values;
}

LinkRecord received(const QString &name, const QString &type, float freq, float audio1)
{
    LinkRecord record;
    record.Id = 77; // never read
    record.Position = 9;
    record.Name = name;
    record.Type = type;
    record.Freq = freq;
    record.Audio1 = audio1;
    return record;
}

PanelTexts panel(const QString &span, const QString &unit = QStringLiteral("dBuV"))
{
    PanelTexts texts;
    for (int i = 0; i < 6; ++i)
        texts.favorites[i] = QString::number(i + 1);
    texts.span = span;
    texts.unit = unit;
    return texts;
}

} // namespace

class PlanRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows come in frequency order whatever their IDs; positions follow that order.
    void sendRecords()
    {
        const QList<ChannelValues> rows
            = { row(7, "2", "TV", 55.25, 4.5), row(3, "S1", "DIGI", 100.1, 8),
                  row(QVariant(), QVariant(), QVariant(), QVariant(), QVariant()) };
        const LinkRecordArray records = PlanRecords::toSendRecords(rows);
        QCOMPARE(records.lowerBound, 1);
        QCOMPARE(records.upperBound(), 3);

        LinkRecord first;
        first.Position = 1;
        first.Type = "TV";
        first.Name = "2";
        first.Freq = 55.25f;
        first.Audio1 = 4.5f;
        QCOMPARE(records.at(1), first);

        const LinkRecord &second = records.at(2);
        QCOMPARE(second.Id, 0);
        QCOMPARE(second.Position, quint8(2));
        QCOMPARE(second.Name, QStringLiteral("S1"));
        QCOMPARE(second.Freq, 100.1f);
        QCOMPARE(second.Audio1, 8.0f);

        const LinkRecord &empty = records.at(3);
        QCOMPARE(empty.Position, quint8(3));
        QVERIFY(empty.Type.isEmpty());
        QVERIFY(empty.Name.isEmpty());
        QCOMPARE(empty.Freq, 0.0f);
        QCOMPARE(empty.Audio1, 0.0f);
        QVERIFY(PlanRecords::toSendRecords({}).isEmpty());
    }

    void positionsPastTheLinkLimit()
    {
        QList<ChannelValues> rows;
        for (int i = 1; i <= PlanRecords::kMaxSendChannels + 1; ++i)
            rows.append(row(i, "C", "TV", 40.0 + i, 6.5));
        const LinkRecordArray records = PlanRecords::toSendRecords(rows);
        QCOMPARE(records.items.size(), rows.size());
        QCOMPARE(records.at(255).Position, quint8(255));
        QCOMPARE(records.at(256).Position, quint8(0)); // not 0 by wrapping to 1..255 again
    }

    void favoritesSent_data()
    {
        QTest::addColumn<QString>("span");
        QTest::addColumn<int>("expected");
        QTest::newRow("7.3") << "7.3" << 7;
        QTest::newRow("9.9") << "9.9" << 10;
        QTest::newRow("4.5 halves to even") << "4.5" << 4;
        QTest::newRow("5.5 halves to even") << "5.5" << 6;
        QTest::newRow("whole") << "8" << 8;
        QTest::newRow("leading number") << "4.5.6" << 4;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("too big for 16 bits") << "99999" << 32767;
    }
    void favoritesSent()
    {
        QFETCH(QString, span);
        QFETCH(int, expected);
        const FavoritesRecord record = PlanRecords::toFavorites(panel(span));
        QCOMPARE(record.Span, qint16(expected));
        QCOMPARE(record.Favorite1, quint8(1));
        QCOMPARE(record.Favorite6, quint8(6));
        QCOMPARE(record.Filler, quint8(0));
    }

    void favoriteFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("250") << "250" << 250;
        QTest::newRow("300 clamps") << "300" << 255;
        QTest::newRow("negative clamps") << "-4" << 0;
        QTest::newRow("leading digits") << "12ab" << 12;
    }
    void favoriteFields()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        PanelTexts texts = panel("8");
        texts.favorites[4] = text;
        const FavoritesRecord record = PlanRecords::toFavorites(texts);
        QCOMPARE(record.Favorite5, quint8(expected));
        QCOMPARE(record.Favorite4, quint8(4));
        QCOMPARE(record.Favorite6, quint8(6));
    }

    void unitSent_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("expected");
        QTest::newRow("dBmV") << "dBmV" << 2;
        QTest::newRow("dBuV") << "dBuV" << 1;
        QTest::newRow("none chosen") << "" << 1;
        QTest::newRow("case matters") << "dbmv" << 1;
    }
    void unitSent()
    {
        QFETCH(QString, unit);
        QFETCH(int, expected);
        QCOMPARE(PlanRecords::toFavorites(panel("8", unit)).Unit, quint8(expected));
    }

    void favoritesReceived_data()
    {
        QTest::addColumn<int>("unitCode");
        QTest::addColumn<QString>("unit");
        QTest::newRow("dBuV") << 1 << "dBuV";
        QTest::newRow("dBmV") << 2 << "dBmV";
        QTest::newRow("0 leaves the unit") << 0 << "";
        QTest::newRow("3 leaves the unit") << 3 << "";
    }
    void favoritesReceived()
    {
        QFETCH(int, unitCode);
        QFETCH(QString, unit);
        FavoritesRecord record;
        record.Favorite1 = 0;
        record.Favorite2 = 250;
        record.Favorite6 = 255;
        record.Span = 8;
        record.Unit = quint8(unitCode);
        const PanelTexts texts = PlanRecords::fromFavorites(record);
        QCOMPARE(texts.favorites[0], QStringLiteral("0"));
        QCOMPARE(texts.favorites[1], QStringLiteral("250"));
        QCOMPARE(texts.favorites[5], QStringLiteral("255"));
        QCOMPARE(texts.span, QStringLiteral("8"));
        QCOMPARE(texts.unit, unit);
        if (unitCode == 1 || unitCode == 2)
            QCOMPARE(PlanRecords::toFavorites(texts), record);
    }

    void receivedRows_data()
    {
        QTest::addColumn<int>("lowerBound");
        QTest::addColumn<QList<float>>("freqs");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("lower bound 1")
            << 1 << QList<float> { 55.25f, 62.25f, 100.1f } << QList<int> { 1, 2, 3 };
        QTest::newRow("lower bound 0")
            << 0 << QList<float> { 55.25f, 62.25f, 100.1f } << QList<int> { 0, 1, 2 };
        QTest::newRow("Freq 0 ends the list")
            << 1 << QList<float> { 55.25f, 0.0f, 100.1f } << QList<int> { 1 };
        QTest::newRow("Freq 0 first") << 0 << QList<float> { 0.0f, 55.25f } << QList<int> {};
        QTest::newRow("empty array") << 1 << QList<float> {} << QList<int> {};
    }
    void receivedRows()
    {
        QFETCH(int, lowerBound);
        QFETCH(QList<float>, freqs);
        QFETCH(QList<int>, ids);
        LinkRecordArray records;
        records.lowerBound = lowerBound;
        for (float freq : freqs)
            records.items.append(received("C", "TV", freq, 6.5f));
        const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
        QCOMPARE(rows.size(), ids.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].values[ColumnId], QVariant(qint32(ids[i])));
            QCOMPARE(rows[i].values[ColumnFreq].toFloat(), freqs[i]);
        }
    }

    // Single-precision values are stored as the number their text names.
    void receivedValues()
    {
        LinkRecordArray records;
        records.items = { received("S1", "DIGI", 100.1f, 7.3f), received({}, {}, 863.25f, 4.5f) };
        const QList<ChannelValues> rows = PlanRecords::fromReceived(records);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].values[ColumnFreq], QVariant(100.1));
        QCOMPARE(rows[0].values[ColumnAudio1], QVariant(7.3));
        QCOMPARE(rows[0].values[ColumnName], QVariant(QStringLiteral("S1")));
        QCOMPARE(rows[0].values[ColumnType], QVariant(QStringLiteral("DIGI")));
        QCOMPARE(rows[1].values[ColumnFreq], QVariant(863.25));
        // Texts the link never set are stored as empty texts, not as missing values.
        QVERIFY(!rows[1].values[ColumnName].toString().isNull());
        QVERIFY(rows[1].values[ColumnName].toString().isEmpty());
        QVERIFY(!rows[1].values[ColumnType].toString().isNull());

        // What is sent comes back as it was.
        const QList<ChannelValues> sent = { row(1, "S1", "DIGI", 100.1, 7.3) };
        QCOMPARE(PlanRecords::fromReceived(PlanRecords::toSendRecords(sent)), sent);
    }
};

QTEST_GUILESS_MAIN(PlanRecordsTest)
#include "tst_planrecords.moc"
