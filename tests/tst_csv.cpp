// The plan as a spreadsheet table: what Plandor writes reads back the same,
// what spreadsheets write is read, and what is not a channel table is refused.

#include "CliRun.h"
#include "TempStore.h"
#include "base/Language.h"
#include "store/PlanCsv.h"
#include "store/PlanFile.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace plandor;

namespace {

constexpr auto channel = &test::TempStore::row;

// Names in both scripts, with the characters a table must quote.
const QList<ChannelValues> kPlan = {
    channel(1, QStringLiteral("C1"), QStringLiteral("TV"), 55.25, 6.5),
    channel(2, QStringLiteral("中文台"), QStringLiteral("DIGI"), 100.1, 8),
    channel(3, QStringLiteral("a,b"), QStringLiteral("TV"), 471.25, 4.5),
    channel(4, QStringLiteral("\"Q\""), QStringLiteral("DIGI"), 858, 7.5),
    channel(5, QStringLiteral(" é"), QStringLiteral("TV"), 999.75, 6),
};

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<qint16>("language");
        QTest::newRow("English header") << kEnglishOffset;
        QTest::newRow("Chinese header") << kChineseOffset;
    }

    // Written and read back: the same rows; UTF-8 with a mark; the header in
    // the run's language; a decimal point.
    void roundTrip()
    {
        QFETCH(qint16, language);
        const QByteArray bytes = PlanCsv::format(kPlan, language);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QString text = QString::fromUtf8(bytes.mid(3));
        QCOMPARE(text.section(QLatin1Char(','), 0, 0),
            language == kChineseOffset ? QStringLiteral("序号") : QStringLiteral("ID"));
        QVERIFY(text.contains(QStringLiteral("2,中文台,DIGI,100.1,8\r\n")));
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanCsv::parse(bytes, content, &error), qPrintable(error));
        QCOMPARE(content.rows, kPlan);
        QVERIFY(content.panelSlots.isEmpty());
    }

    // What spreadsheets write, one channel each (the header, if any, first).
    void spreadsheetInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("freq");
        QTest::addColumn<double>("audio");
        const QByteArray header = "ID;Name;Type;Frequency (MHz);Audio/Bandwidth (MHz)\r\n";
        QTest::newRow("semicolons, decimal commas") << header + "1;S12;DIGI;306,5;8\r\n"
                                                    << "S12" << 306.5 << 8.0;
        QTest::newRow("commas, quoted decimal commas")
            << QByteArray("ID,Name,Type,Freq,Audio\n1,S12,DIGI,\"306,5\",\"7,5\"\n") << "S12"
            << 306.5 << 7.5;
        QTest::newRow("TABs, no header, LF")
            << QByteArray("1\tS12\tDIGI\t306.5\t8\n") << "S12" << 306.5 << 8.0;
        QTest::newRow("Chinese header in GB18030") << QByteArray(QStringEncoder("GB18030").encode(
            QStringLiteral("序号,频道名,类型,频率(MHz),伴音/带宽(MHz)\r\n7,中,TV,55.25,6.5\r\n")))
                                                   << "中" << 55.25 << 6.5;
        QTest::newRow("header words in other case, blanks, blank lines, trailing separators")
            << QByteArray("\r\n id , name , type , freq , audio ,,\r\n\r\n 1 , C5 , TV , 77.25 "
                          ", 6.5 ,,\r\n\r\n")
            << "C5" << 77.25 << 6.5;
        QTest::newRow("quoted name with separators, quotes and a line break") << QByteArray(
            "1,\"a;\"\"\n\",TV,55.25,6.5\r\n") << "a;\"\n" << 55.25 << 6.5;
        QTest::newRow("plan file header") << QByteArray("ID\tCHName\tTYPE\tFREQ\tAUDIO\t\r\n"
                                                        "1\tC1\tTV\t55.25\t6.5\t\r\n")
                                          << "C1" << 55.25 << 6.5;
    }

    void spreadsheetInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(double, freq);
        QFETCH(double, audio);
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanCsv::parse(bytes, content, &error), qPrintable(error));
        QCOMPARE(content.rows.size(), 1);
        const ChannelValues &row = content.rows.first();
        QCOMPARE(row.values[ColumnName].toString(), name);
        QCOMPARE(row.values[ColumnFreq].toDouble(), freq);
        QCOMPARE(row.values[ColumnAudio1].toDouble(), audio);
    }

    // Refused, with a reason naming the line where there is one.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("binary") << QByteArray("1,C1,TV,55.25,6.5\r\n\0\x01\x02", 22) << "binary";
        QTest::newRow("control character") << QByteArray("1,C1,TV,55.25,6.5\x1b\r\n") << "binary";
        QTest::newRow("too large") << QByteArray(int(PlanCsv::kMaxBytes) + 1, 'a') << "large";
        QTest::newRow("quote not closed")
            << QByteArray("ID,Name\r\n1,\"C1,TV,55.25,6.5\r\n") << "Line 2";
        QTest::newRow("too few fields")
            << QByteArray("1,C1,TV,55.25,6.5\r\n2,C2,TV,63.25\r\n") << "Line 2";
        QTest::newRow("a value too many") << QByteArray("1,C1,TV,55.25,6.5,9\r\n") << "Line 1";
        QTest::newRow("not a number")
            << QByteArray("ID,Name,Type,Freq,Audio\r\n1,C1,TV,x,6.5\r\n") << "Line 2";
        QTest::newRow("thousands and decimals")
            << QByteArray("1;C1;TV;1.000,5;6,5\r\n") << "Line 1";
        QTest::newRow("a header that is not the first row")
            << QByteArray("1,C1,TV,55.25,6.5\r\nID,Name,Type,Freq,Audio\r\n") << "Line 2";
        QTest::newRow("invalid UTF-8 after a mark")
            << QByteArray("\xEF\xBB\xBF\xFF\xFE,x") << "UTF-8";
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        PlanFileContent content;
        content.caption = QStringLiteral("untouched");
        QString error;
        QVERIFY(!PlanCsv::parse(bytes, content, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(content.caption, QStringLiteral("untouched"));
    }

    // plandor-cli: plan file -> table -> plan file keeps the rows.
    void cliConvertsBothWays()
    {
        QTemporaryDir dir;
        const QString plan = dir.filePath(QStringLiteral("plan.txt"));
        const QString table = dir.filePath(QStringLiteral("plan.CSV"));
        const QString back = dir.filePath(QStringLiteral("back.txt"));
        const QList<ChannelValues> rows = { kPlan[0], kPlan[2], kPlan[3] }; // 1252 holds these
        QVERIFY(test::writePlanFile(plan, rows));
        auto convert = [](const QString &in, const QString &out) {
            return test::runCli({ QStringLiteral("convert"), QStringLiteral("--in"), in,
                                    QStringLiteral("--out"), out })
                .code;
        };
        QCOMPARE(convert(plan, table), 0);
        QCOMPARE(convert(table, back), 0);
        PlanFileContent content;
        QString error;
        QVERIFY2(PlanFile::read(back, content, &error), qPrintable(error));
        QCOMPARE(content.rows, rows);

        QCOMPARE(convert(dir.filePath(QStringLiteral("none.csv")), back), 4);
        QCOMPARE(convert(plan, QString()), 2);
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
